#ifndef VORNEL_PLATFORM_SYSTEM_H_
#define VORNEL_PLATFORM_SYSTEM_H_

#include <memory>

#include "platform/env.h"

namespace vornel {

// The real outside world of the platform the build targets: its console,
// clock, pauses, ICMP echo, live line and working directory, wired once by
// main(). The FTP client is no part of the platform: main() adds it.
// Each platform provides this class in a file of its own.
class System {
 public:
  // Installs the interrupt handling first, so that no later step can be cut
  // short by the platform's default reaction to Ctrl-C.
  System();
  ~System();

  System(const System&) = delete;
  System& operator=(const System&) = delete;

  // The real parts; the log is left to the session, which opens it, and the
  // FTP client to main(). Valid while this object lives.
  Env env() const;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_SYSTEM_H_
