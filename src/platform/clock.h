#ifndef VORNEL_PLATFORM_CLOCK_H_
#define VORNEL_PLATFORM_CLOCK_H_

#include <cstdint>
#include <ctime>

namespace vornel {

class Clock {
 public:
  virtual ~Clock() = default;
  // The current local date and time.
  virtual std::tm local_now() = 0;
  // Milliseconds since 1970-01-01 00:00:00 UTC: when something happened, as
  // records say it.
  virtual std::int64_t utc_ms() = 0;
  // Milliseconds on a clock that never jumps: how long something took.
  virtual std::int64_t steady_ms() = 0;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_CLOCK_H_
