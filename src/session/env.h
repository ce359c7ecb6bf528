#ifndef VORNEL_SESSION_ENV_H_
#define VORNEL_SESSION_ENV_H_

#include "ftp/client.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/echo.h"
#include "platform/local_files.h"
#include "platform/log_sink.h"
#include "platform/progress.h"
#include "platform/sleeper.h"
#include "platform/system.h"

namespace vornel {

// Everything the utility reaches outside itself. main() wires the real
// implementations; tests wire fakes. Not owned.
struct Env {
  Console* console = nullptr;
  LogSink* log = nullptr;  // the stream of "log.txt"
  Clock* clock = nullptr;
  Sleeper* sleeper = nullptr;
  FtpClient* ftp = nullptr;
  EchoFacility* echo = nullptr;
  Progress* progress = no_progress();  // the live line; shown only on a terminal
  LocalFiles* files = nullptr;         // the working directory
};

// The platform's real parts and the FTP client; the log is left to the
// session, which opens it. Valid while both live.
Env system_env(const System& system, FtpClient& ftp);

}  // namespace vornel

#endif  // VORNEL_SESSION_ENV_H_
