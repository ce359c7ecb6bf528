#include "platform/system.h"

#include <windows.h>

#include "platform/interrupt.h"
#include "platform/system_clock.h"
#include "platform/system_env.h"
#include "platform/windows/console.h"
#include "platform/windows/icmp_echo.h"
#include "platform/windows/live_line.h"

namespace vornel {

struct System::Parts {
  explicit Parts(Progress* line) : live_line(line), console(line), sleeper(line) {}

  Progress* live_line;
  WindowsConsole console;
  SystemClock clock;
  SystemSleeper sleeper;
  IcmpServiceEcho echo;
};

System::System() {
  install_interrupt_handlers();
  // Static, so that exit() after an interrupt still takes a shown line down.
  // Only a real console gets the line: a redirected or piped run sees nothing extra.
  static ConsoleProgress console_line(GetStdHandle(STD_ERROR_HANDLE));
  parts_ = std::make_unique<Parts>(console_line.enable() ? &console_line : no_progress());
}

System::~System() = default;

Env System::env() const { return env_of_parts(*parts_); }

}  // namespace vornel
