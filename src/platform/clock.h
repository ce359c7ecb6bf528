#ifndef VORNEL_PLATFORM_CLOCK_H_
#define VORNEL_PLATFORM_CLOCK_H_

#include <ctime>

namespace vornel {

class Clock {
 public:
  virtual ~Clock() = default;
  // The current local date and time.
  virtual std::tm local_now() = 0;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_CLOCK_H_
