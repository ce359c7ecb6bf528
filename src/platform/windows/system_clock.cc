#include "platform/system_clock.h"

#include <chrono>
#include <ctime>
#include <string>

#include "platform/interrupt.h"
#include "platform/windows/interrupt_wait.h"

namespace vornel {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Waits for the deadline on the monotonic clock, ending the process at once
// when an interrupt arrives meanwhile. False when a deferred interrupt cut
// the pause short.
bool sleep_until(SteadyClock::time_point deadline) {
  for (;;) {
    exit_if_interrupted();
    if (interrupt_received() != 0) return false;
    auto left = deadline - SteadyClock::now();
    if (left <= SteadyClock::duration::zero()) return true;
    // Rounded up: a wait cut short by truncation would spin.
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    wait_for_interrupt(static_cast<unsigned>(ms));
  }
}

}  // namespace

std::tm SystemClock::local_now() {
  std::time_t now = std::time(nullptr);
  std::tm local = {};
  localtime_s(&local, &now);
  return local;
}

void SystemSleeper::sleep_ms(unsigned milliseconds) {
  const auto start = SteadyClock::now();
  // Steps end on whole seconds before the end (the odd fraction comes first),
  // so the count shown is always the seconds left, rounded up. Each step's
  // end is reckoned from the start: slow steps do not add up into a longer pause.
  unsigned done = 0;
  while (done < milliseconds) {
    unsigned left = milliseconds - done;
    live_line_->show("pausing: " + std::to_string((left + 999) / 1000) + " s");
    done += left % 1000 != 0 ? left % 1000 : 1000;
    if (!sleep_until(start + std::chrono::milliseconds(done))) break;
  }
  live_line_->clear();
}

}  // namespace vornel
