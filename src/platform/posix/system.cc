#include "platform/system.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/interrupt.h"
#include "platform/posix/console.h"
#include "platform/posix/icmp_echo.h"
#include "platform/posix/live_line.h"
#include "platform/posix/privileges.h"
#include "platform/system_clock.h"

namespace vornel {

struct System::Parts {
  explicit Parts(Progress* line) : live_line(line), console(line), sleeper(line) {}

  Progress* live_line;
  SystemConsole console;
  SystemClock clock;
  SystemSleeper sleeper;
  IcmpEcho echo;
};

System::System(const char* program, int privileges_status) {
  install_interrupt_handlers();
  // Static, so that exit() after an interrupt still takes a shown line down.
  // Only a terminal gets the line: a redirected or piped run sees nothing extra.
  static LiveLine terminal_line(2);
  parts_ = std::make_unique<Parts>(isatty(2) ? &terminal_line : no_progress());
  // The ICMP socket is the one thing that may need a privilege (a raw socket:
  // root or CAP_NET_RAW). It is opened once, here, before the first prompt and
  // before libcurl starts any thread; every probe of the run uses it. The
  // privileges are then given up (a run under sudo becomes its operator's),
  // before the log or any file is opened, so that nothing read from a device
  // is parsed while they are held. When no socket opens, the first probe
  // says why.
  parts_->echo.hold_open();
  std::string error;
  if (!give_up_privileges(&error)) {
    // Running on with a privilege the run no longer needs is not an option.
    std::fprintf(stderr, "%s: cannot give up privileges (%s)\n", program, error.c_str());
    std::exit(privileges_status);
  }
}

System::~System() = default;

SystemParts System::parts() const {
  return {.console = parts_->console,
          .clock = parts_->clock,
          .sleeper = parts_->sleeper,
          .echo = parts_->echo,
          .live_line = *parts_->live_line,
          .files = working_directory_files()};
}

}  // namespace vornel
