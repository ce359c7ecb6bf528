// The vornel executable: wires the real console, clock, pauses, log, FTP
// client, ICMP echo, live line and working directory into one run. The command line is ignored.
#include <unistd.h>

#include "platform/echo_icmp.h"
#include "platform/file_log.h"
#include "platform/ftp_curl.h"
#include "platform/interrupt.h"
#include "platform/local_files.h"
#include "platform/posix_console.h"
#include "platform/system_clock.h"
#include "platform/terminal_progress.h"
#include "session/driver.h"

int main() {
  vornel::install_interrupt_handlers();
  // Static, so that exit() after an interrupt still takes a shown line down.
  // Only a terminal gets the line: a redirected or piped run sees nothing extra.
  static vornel::TerminalProgress terminal_line(2);
  vornel::Progress* live_line = isatty(2) ? &terminal_line : vornel::no_progress();
  vornel::PosixConsole console(live_line);
  vornel::SystemClock clock;
  vornel::SystemSleeper sleeper(live_line);
  vornel::CurlFtpClient ftp;
  vornel::IcmpEchoFacility echo;
  vornel::Env env{.console = &console,
                  .clock = &clock,
                  .sleeper = &sleeper,
                  .ftp = &ftp,
                  .echo = &echo,
                  .progress = live_line,
                  .files = &vornel::working_directory_files()};
  return vornel::run_utility(env, [](std::string* error) -> std::unique_ptr<vornel::LogSink> {
    return vornel::FileLog::open(vornel::kLogFileName, error);
  });
}
