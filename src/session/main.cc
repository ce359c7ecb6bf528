// The vornel executable: wires the real console, clock, pauses, log, FTP
// client, ICMP echo, live line and working directory of this platform into
// one run. The command line is ignored.
#include "ftp/curl_client.h"
#include "platform/file_log.h"
#include "platform/system.h"
#include "session/driver.h"
#include "session/env.h"

int main() {
  // The system first: its interrupt handling must be in place before anything
  // else starts.
  vornel::System system;
  vornel::CurlFtpClient ftp;
  vornel::Env env = vornel::system_env(system, ftp);
  return vornel::run_utility(env, [](std::string* error) -> std::unique_ptr<vornel::LogSink> {
    return vornel::FileLog::open(vornel::kLogFileName, error);
  });
}
