#include "platform/system_clock.h"

#include <cerrno>
#include <ctime>

#include "platform/interrupt.h"

namespace vornel {

std::tm SystemClock::local_now() {
  std::time_t now = std::time(nullptr);
  std::tm local = {};
  localtime_r(&now, &local);
  return local;
}

void SystemSleeper::sleep_ms(unsigned milliseconds) {
  struct timespec deadline;
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += milliseconds / 1000;
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  for (;;) {
    exit_if_interrupted();
    int rc = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
    if (rc != EINTR) return;
  }
}

}  // namespace vornel
