#include "fleet/waves.h"

#include <algorithm>

#include "fleet/arguments.h"

namespace vornel {
namespace {

// "N" or "P%": false when it is neither, or out of range.
bool parse_share(std::string_view text, int* count, int* percent) {
  *count = *percent = 0;
  bool is_percent = !text.empty() && text.back() == '%';
  if (is_percent) text.remove_suffix(1);
  int value;
  if (!parse_number(std::string(text), &value) || value < 1) return false;
  if (is_percent) {
    if (value > 100) return false;
    *percent = value;
  } else {
    *count = value;
  }
  return true;
}

}  // namespace

bool parse_waves(std::string_view text, std::vector<WaveStep>* steps, std::string* error) {
  steps->clear();
  while (true) {
    std::size_t comma = text.find(',');
    std::string_view part = text.substr(0, comma);
    WaveStep step;
    if (!parse_share(part, &step.count, &step.percent)) {
      *error = "wants counts of 1 or more and percentages of 1% to 100%, joined by commas (" +
               std::string(part) + " is neither)";
      return false;
    }
    if (!steps->empty()) {
      const WaveStep& last = steps->back();
      bool grows = (step.count == 0) != (last.count == 0) || step.count > last.count ||
                   step.percent > last.percent;
      if (!grows) {
        *error = "wants each wave's share above the last one's (" + std::string(part) + ")";
        return false;
      }
    }
    steps->push_back(step);
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

std::vector<int> wave_sizes(const std::vector<WaveStep>& steps, int devices) {
  std::vector<int> sizes;
  int done = 0;
  for (std::size_t i = 0; i < steps.size() && done < devices; ++i) {
    const WaveStep& step = steps[i];
    long share = step.count > 0 ? step.count
                                : (static_cast<long>(step.percent) * devices + 99) / 100;
    int target = static_cast<int>(std::clamp<long>(share, done + 1, devices));
    if (i + 1 == steps.size()) target = devices;
    sizes.push_back(target - done);
    done = target;
  }
  if (done < devices) sizes.push_back(devices - done);
  return sizes;
}

bool parse_fail_limit(std::string_view text, FailLimit* limit, std::string* error) {
  if (!parse_share(text, &limit->count, &limit->percent)) {
    *error = "wants a count of 1 or more, or a percentage of 1% to 100% (" + std::string(text) +
             " is neither)";
    return false;
  }
  return true;
}

bool limit_reached(const FailLimit& limit, int failures, int attempted) {
  if (limit.count > 0) return failures >= limit.count;
  if (limit.percent > 0) {
    return attempted > 0 && static_cast<long>(failures) * 100 >=
                                static_cast<long>(limit.percent) * attempted;
  }
  return false;
}

std::string limit_words(const FailLimit& limit) {
  if (limit.count > 0) return std::to_string(limit.count);
  return std::to_string(limit.percent) + "%";
}

}  // namespace vornel
