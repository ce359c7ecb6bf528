#ifndef VORNEL_PLATFORM_SLEEPER_H_
#define VORNEL_PLATFORM_SLEEPER_H_

namespace vornel {

class Sleeper {
 public:
  virtual ~Sleeper() = default;
  // Blocks for the given number of milliseconds.
  virtual void sleep_ms(unsigned milliseconds) = 0;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_SLEEPER_H_
