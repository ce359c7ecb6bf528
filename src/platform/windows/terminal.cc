#include "platform/terminal.h"

#include <windows.h>

#include "platform/windows/live_line.h"

namespace vornel {

// The Windows tools run no waves and ask nothing (there is no GNU parallel
// there): no question can be asked.
bool terminal_available() { return false; }

std::optional<std::string> ask_on_terminal(std::string_view) { return std::nullopt; }

std::unique_ptr<Progress> standard_error_live_line() {
  auto line = std::make_unique<LiveLine>(GetStdHandle(STD_ERROR_HANDLE));
  if (!line->enable()) return std::make_unique<NullProgress>();
  return line;
}

}  // namespace vornel
