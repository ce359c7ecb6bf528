// The vornel executable: wires the real console, clock, pauses, log, FTP
// client, ICMP echo and live line of this platform into one session. The
// command line is ignored.
#include "platform/file_log.h"
#include "platform/system.h"
#include "session/driver.h"

int main() {
  vornel::System system;
  return vornel::run_session(system.env(), [](std::string* error) -> std::unique_ptr<vornel::LogSink> {
    return vornel::FileLog::open(vornel::kLogFileName, error);
  });
}
