#ifndef VORNEL_PLATFORM_TERMINAL_H_
#define VORNEL_PLATFORM_TERMINAL_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/progress.h"

namespace vornel {

// The operator's terminal itself, whatever standard input and output are
// (a program run by a script whose output is taken): for questions that
// must reach a person, and for the live line of a long run.

// True when a question can be asked: the process has a terminal to ask on.
bool terminal_available();

// Writes question on the terminal and reads one line of answer from it,
// without its line end. Nothing when there is no terminal or it ended.
std::optional<std::string> ask_on_terminal(std::string_view question);

// The live line on standard error when standard error is a terminal (a
// console on Windows); a line that shows nothing otherwise, so that nothing
// of it reaches a file or a pipe.
std::unique_ptr<Progress> standard_error_live_line();

}  // namespace vornel

#endif  // VORNEL_PLATFORM_TERMINAL_H_
