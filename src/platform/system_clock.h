#ifndef VORNEL_PLATFORM_SYSTEM_CLOCK_H_
#define VORNEL_PLATFORM_SYSTEM_CLOCK_H_

#include "platform/clock.h"
#include "platform/sleeper.h"

namespace vornel {

class SystemClock : public Clock {
 public:
  std::tm local_now() override;
};

// Pauses on the monotonic clock. A SIGINT or SIGTERM ends the process at once
// instead of finishing the pause.
class SystemSleeper : public Sleeper {
 public:
  void sleep_ms(unsigned milliseconds) override;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_SYSTEM_CLOCK_H_
