#include "platform/system.h"

#include <windows.h>

#include "platform/interrupt.h"
#include "platform/system_clock.h"
#include "platform/windows/console.h"
#include "platform/windows/icmp_echo.h"
#include "platform/windows/live_line.h"

namespace vornel {

struct System::Parts {
  explicit Parts(Progress* line) : live_line(line), console(line), sleeper(line) {}

  Progress* live_line;
  SystemConsole console;
  SystemClock clock;
  SystemSleeper sleeper;
  IcmpEcho echo;
};

// Nothing is given up here: the Windows build starts with no privilege it
// would need to drop.
System::System(const char* /*program*/, int /*privileges_status*/) {
  // First of all, before anything loads a DLL by name (this program, libcurl,
  // Windows itself on our behalf): from the system folder only, never from
  // the folder vornel.exe sits in (a USB stick, a downloads folder), where a
  // planted DLL would run as the operator. What the exe imports at load time
  // is KnownDLLs only, which Windows takes from the system folder anyway.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  install_interrupt_handlers();
  // Static, so that exit() after an interrupt still takes a shown line down.
  // Only a real console gets the line: a redirected or piped run sees nothing extra.
  static LiveLine console_line(GetStdHandle(STD_ERROR_HANDLE));
  parts_ = std::make_unique<Parts>(console_line.enable() ? &console_line : no_progress());
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
