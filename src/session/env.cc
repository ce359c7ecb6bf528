#include "session/env.h"

namespace vornel {

Env system_env(const System& system, FtpClient& ftp) {
  SystemParts parts = system.parts();
  return Env{.console = &parts.console,
             .clock = &parts.clock,
             .sleeper = &parts.sleeper,
             .ftp = &ftp,
             .echo = &parts.echo,
             .progress = &parts.live_line,
             .files = &parts.files};
}

}  // namespace vornel
