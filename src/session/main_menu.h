#ifndef VORNEL_SESSION_MAIN_MENU_H_
#define VORNEL_SESSION_MAIN_MENU_H_

#include "session/run_context.h"

namespace vornel {

// The main menu's choices, by the number the operator types.
enum class MenuChoice { kUpload = 1, kDownload = 2, kExit = 3 };

// A menu answer as a decimal integer, judged on its first 31 characters:
// leading white space skipped, one optional sign, then digits up to the first
// other character. No digits gives 0; a value beyond the range of int
// saturates, so it can never wrap round to a valid choice.
int convert_menu_answer(const char* answer);

// Shows the main menu until the answer is 1, 2 or 3 and returns that choice.
// The end of standard input counts as 3. Writes nothing to the log.
MenuChoice show_main_menu(RunContext& run);

// The exit prompt: waits for one line (or the end of input) and returns the
// exit status the run must now end with, UtilityExit::kLeftInPass (1).
// Writes nothing to the log.
int wait_and_exit(RunContext& run);

}  // namespace vornel

#endif  // VORNEL_SESSION_MAIN_MENU_H_
