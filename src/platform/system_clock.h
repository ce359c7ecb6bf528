#ifndef VORNEL_PLATFORM_SYSTEM_CLOCK_H_
#define VORNEL_PLATFORM_SYSTEM_CLOCK_H_

#include <chrono>

#include "platform/clock.h"
#include "platform/progress.h"
#include "platform/sleeper.h"

namespace vornel {

class SystemClock : public Clock {
 public:
  std::tm local_now() override;
  std::int64_t utc_ms() override { return since_epoch_ms(std::chrono::system_clock::now()); }
  std::int64_t steady_ms() override { return since_epoch_ms(std::chrono::steady_clock::now()); }

 private:
  template <typename TimePoint>
  static std::int64_t since_epoch_ms(TimePoint at) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
  }
};

// Pauses on the monotonic clock, counting the whole seconds left down on the
// live line and taking the line down at the end. A SIGINT or SIGTERM ends the
// process at once instead of finishing the pause; once interrupts are
// deferred, it only ends the pause. The line is not owned.
class SystemSleeper : public Sleeper {
 public:
  explicit SystemSleeper(Progress* live_line = no_progress()) : live_line_(live_line) {}
  void sleep_ms(unsigned milliseconds) override;

 private:
  Progress* live_line_;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_SYSTEM_CLOCK_H_
