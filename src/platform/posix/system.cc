#include "platform/system.h"

#include <unistd.h>

#include "platform/interrupt.h"
#include "platform/posix/console.h"
#include "platform/posix/icmp_echo.h"
#include "platform/posix/live_line.h"
#include "platform/system_clock.h"
#include "platform/system_env.h"

namespace vornel {

struct System::Parts {
  explicit Parts(Progress* line) : live_line(line), console(line), sleeper(line) {}

  Progress* live_line;
  PosixConsole console;
  SystemClock clock;
  SystemSleeper sleeper;
  IcmpEchoFacility echo;
};

System::System() {
  install_interrupt_handlers();
  // Static, so that exit() after an interrupt still takes a shown line down.
  // Only a terminal gets the line: a redirected or piped run sees nothing extra.
  static TerminalProgress terminal_line(2);
  parts_ = std::make_unique<Parts>(isatty(2) ? &terminal_line : no_progress());
}

System::~System() = default;

Env System::env() const { return env_of_parts(*parts_); }

}  // namespace vornel
