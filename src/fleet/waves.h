#ifndef VORNEL_FLEET_WAVES_H_
#define VORNEL_FLEET_WAVES_H_

#include <string>
#include <string_view>
#include <vector>

namespace vornel {

// A rollout in waves (vornel-fleet --waves 1,5%,25%,100%): each step is the
// share of the list's devices done by the end of its wave, a count or a
// percentage, rounded up.
struct WaveStep {
  int count = 0;    // devices, when not a percentage
  int percent = 0;  // 1 to 100, when a percentage
};

// Reads a comma-separated list of steps: counts of at least 1 and
// percentages of 1 to 100, each step's share above the last one's when both
// are of one kind.
// False with *error (words after the option's name) otherwise.
bool parse_waves(std::string_view text, std::vector<WaveStep>* steps, std::string* error);

// How many of `devices` devices each wave takes, in order: a step's share is
// its count, or its percentage of devices rounded up; every wave takes at
// least one device more than the waves before it, the last takes whatever
// remains, and a wave that would find nothing left is dropped. No steps: one
// wave of every device.
std::vector<int> wave_sizes(const std::vector<WaveStep>& steps, int devices);

// The failures at which a run stops (vornel-fleet --max-fail N or P%):
// once failures reach it, at, not above.
struct FailLimit {
  int count = 0;    // N: failures, 1 or more
  int percent = 0;  // P: of the devices attempted so far, 1 to 100
  bool none() const { return count == 0 && percent == 0; }
};

bool parse_fail_limit(std::string_view text, FailLimit* limit, std::string* error);

// True once failures reach the limit: N failures; or P% of the devices
// attempted so far, that is failures * 100 >= P * attempted (1 failure of 10
// attempted reaches 10%, 1 of 11 does not). Skipped groups and devices not
// run count in neither figure.
bool limit_reached(const FailLimit& limit, int failures, int attempted);

// The limit as --max-fail takes it: "3" or "10%".
std::string limit_words(const FailLimit& limit);

}  // namespace vornel

#endif  // VORNEL_FLEET_WAVES_H_
