#include "session/main_menu.h"

#include <climits>
#include <string>

#include "base/bounded_copy.h"
#include "report/output.h"
#include "session/exit_statuses.h"

namespace vornel {
namespace {

constexpr char kMenu[] =
    "\n\n  Vornel.\n"
    "  *****************************************************\n"
    "\n\n"
    "  1. Upload configuration file\n"
    "  2. Download configuration file\n"
    "  3. Exit\n\n"
    "  Action: ";
constexpr char kResponseInvalid[] = "Response invalid \n";
constexpr char kPressEnter[] = "\nPress <Enter> to exit.\n";

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

int convert_menu_answer(const char* answer) {
  const char* p = answer;
  while (is_space(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (value <= INT_MAX) value = value * 10 + (*p - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

MenuChoice show_main_menu(RunContext& run) {
  std::string line;
  for (;;) {
    say_console(run.out, kMenu);
    if (!run.env.console->read_line(&line)) return MenuChoice::kExit;
    char answer[32];
    copy_bounded(answer, line);
    int number = convert_menu_answer(answer);
    for (MenuChoice choice : {MenuChoice::kUpload, MenuChoice::kDownload, MenuChoice::kExit}) {
      if (number == static_cast<int>(choice)) return choice;
    }
    say_console(run.out, kResponseInvalid);
  }
}

int wait_and_exit(RunContext& run) {
  // The answer is never looked at: reading a line is what waits for <Enter>.
  char answer[80] = {};
  say_console(run.out, kPressEnter);
  std::string line;
  if (run.env.console->read_line(&line)) copy_bounded(answer, line);
  return exit_status(UtilityExit::kLeftInPass);
}

}  // namespace vornel
