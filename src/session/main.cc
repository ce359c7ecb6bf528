// The vornel executable: wires the real console, clock, pauses, log, FTP
// client, ICMP echo, live line and working directory of this platform into
// one run. The command line is ignored.
#include "platform/file_log.h"
#include "platform/system.h"
#include "session/driver.h"

int main() {
  vornel::System system;
  return vornel::run_utility(system.env(),
                             [](std::string* error) -> std::unique_ptr<vornel::LogSink> {
                               return vornel::FileLog::open(vornel::kLogFileName, error);
                             });
}
