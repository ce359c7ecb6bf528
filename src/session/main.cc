// The vornel executable: wires the real console, clock, pauses, log, FTP
// client and ICMP echo into one session. The command line is ignored.
#include "platform/echo_icmp.h"
#include "platform/file_log.h"
#include "platform/ftp_curl.h"
#include "platform/interrupt.h"
#include "platform/posix_console.h"
#include "platform/system_clock.h"
#include "session/driver.h"

int main() {
  vornel::install_interrupt_handlers();
  vornel::PosixConsole console;
  vornel::SystemClock clock;
  vornel::SystemSleeper sleeper;
  vornel::CurlFtpClient ftp;
  vornel::IcmpEchoFacility echo;
  vornel::Env env{&console, nullptr, &clock, &sleeper, &ftp, &echo};
  return vornel::run_session(env, [](std::string* error) -> std::unique_ptr<vornel::LogSink> {
    return vornel::FileLog::open(vornel::kLogFileName, error);
  });
}
