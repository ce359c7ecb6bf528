#ifndef VORNEL_PLATFORM_SYSTEM_H_
#define VORNEL_PLATFORM_SYSTEM_H_

#include <memory>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/echo.h"
#include "platform/local_files.h"
#include "platform/progress.h"
#include "platform/sleeper.h"

namespace vornel {

// The parts of a System, as the interfaces they implement. Not owned.
struct SystemParts {
  Console& console;
  Clock& clock;
  Sleeper& sleeper;
  EchoFacility& echo;
  Progress& live_line;  // shown only on a terminal
  LocalFiles& files;    // the working directory
};

// The real outside world of the platform the build targets: its console,
// clock, pauses, ICMP echo, live line and working directory, made once by
// main(). Each platform provides this class in a file of its own.
class System {
 public:
  // Installs the interrupt handling first, so that no later step can be cut
  // short by the platform's default reaction to Ctrl-C. When the privileges
  // the process was started with can't be given up, it says so on standard
  // error, naming itself `program`, and ends with privileges_status before
  // anything else runs.
  explicit System(const char* program = "vornel", int privileges_status = 1);
  ~System();

  System(const System&) = delete;
  System& operator=(const System&) = delete;

  // Valid while this object lives.
  SystemParts parts() const;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_SYSTEM_H_
