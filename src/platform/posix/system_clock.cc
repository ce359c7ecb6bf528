#include "platform/system_clock.h"

#include <cerrno>
#include <ctime>
#include <string>

#include "platform/interrupt.h"

namespace vornel {
namespace {

struct timespec after_ms(struct timespec start, unsigned milliseconds) {
  start.tv_sec += milliseconds / 1000;
  start.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (start.tv_nsec >= 1000000000L) {
    start.tv_sec += 1;
    start.tv_nsec -= 1000000000L;
  }
  return start;
}

// False when an interrupt cut the pause short (deferred interrupts only:
// otherwise the process ends here).
bool sleep_until(const struct timespec& deadline) {
  for (;;) {
    exit_if_interrupted();
    if (interrupt_received() != 0) return false;
    int rc = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
    if (rc != EINTR) return true;
  }
}

}  // namespace

std::tm SystemClock::local_now() {
  std::time_t now = std::time(nullptr);
  std::tm local = {};
  localtime_r(&now, &local);
  return local;
}

void SystemSleeper::sleep_ms(unsigned milliseconds) {
  struct timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  // Steps end on whole seconds before the end (the odd fraction comes first),
  // so the count shown is always the seconds left, rounded up. Each step's
  // end is reckoned from the start: slow steps do not add up into a longer pause.
  unsigned done = 0;
  while (done < milliseconds) {
    unsigned left = milliseconds - done;
    live_line_->show("pausing: " + std::to_string((left + 999) / 1000) + " s");
    done += left % 1000 != 0 ? left % 1000 : 1000;
    if (!sleep_until(after_ms(start, done))) break;
  }
  live_line_->clear();
}

}  // namespace vornel
