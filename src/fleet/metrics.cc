#include "fleet/metrics.h"

#include <cstdio>

#include "base/printable_text.h"
#include "platform/staged_file.h"

namespace vornel {
namespace {

std::string label_value(std::string_view text) {
  std::string out;
  for (char c : printable_text(text)) {
    // A line feed, the format's third escape, is '?' by now.
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::string seconds_text(double seconds) {
  char text[48];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

// "# HELP" and "# TYPE" of a gauge.
std::string gauge(const char* name, const char* help) {
  return std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n";
}

}  // namespace

std::string metrics_text(const RunReport& report) {
  std::string run =
      "mode=\"" + label_value(report.mode) + "\",list=\"" + label_value(report.list) + "\"";
  std::string text = gauge("vornel_fleet_devices", "Devices of the fleet run by outcome.");
  for (const auto& [outcome, devices] : outcome_counts(report.devices)) {
    text += "vornel_fleet_devices{" + run + ",outcome=\"" + label_value(outcome) + "\"} " +
            std::to_string(devices) + "\n";
  }
  std::vector<ReasonCount> reasons = ranked_reasons(report.devices);
  if (!reasons.empty()) {
    text += gauge("vornel_fleet_reasons",
                  "Devices of the fleet run neither ok nor ready, by outcome and reason.");
    // Two reasons alike once made printable are one series.
    std::map<std::string, int> series;
    std::vector<std::string> order;
    for (const ReasonCount& reason : reasons) {
      std::string labels = run + ",outcome=\"" + label_value(reason.outcome) + "\",reason=\"" +
                           label_value(reason.reason) + "\"";
      auto [found, fresh] = series.emplace(labels, 0);
      if (fresh) order.push_back(labels);
      found->second += reason.devices;
    }
    for (const std::string& labels : order) {
      text += "vornel_fleet_reasons{" + labels + "} " + std::to_string(series[labels]) + "\n";
    }
  }
  bool archive = !report.history.empty();
  int changes[3] = {0, 0, 0};
  static constexpr const char* kChanges[] = {"new", "changed", "unchanged"};
  for (const ReportDevice& device : report.devices) {
    for (int i = 0; i < 3; ++i) {
      if (device.config == kChanges[i]) {
        ++changes[i];
        archive = true;
      }
    }
  }
  if (archive) {
    text += gauge("vornel_fleet_configs",
                  "Fetched configurations of the fleet run against the archive.");
    for (int i = 0; i < 3; ++i) {
      text += "vornel_fleet_configs{" + run + ",change=\"" + kChanges[i] + "\"} " +
              std::to_string(changes[i]) + "\n";
    }
  }
  text += gauge("vornel_fleet_run_duration_seconds", "How long the fleet run took.");
  text +=
      "vornel_fleet_run_duration_seconds{" + run + "} " + seconds_text(report.duration_s) + "\n";
  text += gauge("vornel_fleet_run_end_timestamp_seconds",
                "When the fleet run ended, in seconds since 1970-01-01 UTC.");
  text += "vornel_fleet_run_end_timestamp_seconds{" + run + "} " +
          seconds_text(static_cast<double>(report.started_ms) / 1000 + report.duration_s) + "\n";
  return text;
}

bool write_metrics_file(const std::string& path, std::string_view text) {
  StagedFile staged;
  if (staged.open(path) != StagedFile::Opened::kYes || !staged.let_everyone_read()) return false;
  if (std::fwrite(text.data(), 1, text.size(), staged.file()) != text.size()) return false;
  return staged.commit();
}

}  // namespace vornel
