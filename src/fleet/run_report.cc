#include "fleet/run_report.h"

#include <algorithm>
#include <unordered_map>

namespace vornel {
namespace {

constexpr int kFirmwareTooOld = 6;  // Vornel's status for firmware refused by the gate

// Digits compared as the numbers they are, however many.
bool numerically_before(const std::string& a, const std::string& b) {
  std::size_t a_start = std::min(a.find_first_not_of('0'), a.size());
  std::size_t b_start = std::min(b.find_first_not_of('0'), b.size());
  std::size_t a_length = a.size() - a_start, b_length = b.size() - b_start;
  if (a_length != b_length) return a_length < b_length;
  int order = a.compare(a_start, a_length, b, b_start, b_length);
  return order != 0 ? order < 0 : a < b;
}

}  // namespace

int outcome_kind(const std::string& outcome) {
  for (int i = 0; i < kOutcomeKindCount; ++i) {
    if (outcome == kOutcomeKinds[i].name) return i;
  }
  return kOutcomeKindCount;
}

std::vector<std::pair<std::string, int>> outcome_counts(const std::vector<ReportDevice>& devices) {
  std::vector<std::pair<std::string, int>> counts;
  for (const OutcomeKind& kind : kOutcomeKinds) counts.emplace_back(kind.name, 0);
  for (const ReportDevice& device : devices) {
    int kind = outcome_kind(device.outcome);
    if (kind < kOutcomeKindCount) {
      ++counts[kind].second;
      continue;
    }
    auto other = std::find_if(counts.begin() + kOutcomeKindCount, counts.end(),
                              [&](const auto& count) { return count.first == device.outcome; });
    if (other == counts.end()) {
      counts.emplace_back(device.outcome, 1);
    } else {
      ++other->second;
    }
  }
  return counts;
}

std::vector<ReasonCount> ranked_reasons(const std::vector<ReportDevice>& devices) {
  std::vector<ReasonCount> reasons;
  std::unordered_map<std::string, std::size_t> index;  // outcome NUL reason -> reasons[i]
  for (const ReportDevice& device : devices) {
    if (device.outcome == "ok" || device.outcome == "ready") continue;
    std::string key = device.outcome + '\0' + device.reason;
    auto [found, fresh] = index.emplace(key, reasons.size());
    if (fresh) reasons.push_back({device.reason, device.outcome, 0});
    ++reasons[found->second].devices;
  }
  std::stable_sort(reasons.begin(), reasons.end(), [](const ReasonCount& a, const ReasonCount& b) {
    return a.devices > b.devices;
  });
  return reasons;
}

std::vector<FirmwareCount> firmware_inventory(const std::vector<ReportDevice>& devices) {
  std::map<std::string, FirmwareCount, decltype(&numerically_before)> versions(numerically_before);
  FirmwareCount unread;
  for (const ReportDevice& device : devices) {
    FirmwareCount& count =
        device.firmware.empty() ? unread : versions.try_emplace(device.firmware).first->second;
    count.version = device.firmware;
    ++count.devices;
    count.too_old += device.status == kFirmwareTooOld;
  }
  std::vector<FirmwareCount> inventory;
  for (auto& [version, count] : versions) inventory.push_back(count);
  if (unread.devices > 0) inventory.push_back(unread);
  return inventory;
}

}  // namespace vornel
