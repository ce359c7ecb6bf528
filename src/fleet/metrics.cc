#include "fleet/metrics.h"

#include <cstdio>

#include "base/printable_text.h"
#include "platform/staged_file.h"

namespace vornel {
namespace {

std::string label_value(std::string_view text) {
  std::string out;
  for (char c : printable_text(text)) {
    if (c == '\\' || c == '"') out += '\\';
    out += c == '\n' ? 'n' : c;  // a line feed is '?' by now; kept for the format's sake
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

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long days_from_civil(long year, long month, long day) {
  year -= month <= 2;
  long era = (year >= 0 ? year : year - 399) / 400;
  long year_of_era = year - era * 400;
  long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

bool digits(std::string_view text, std::size_t at, std::size_t count, long* value) {
  *value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    *value = *value * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

bool unix_time_of(std::string_view iso, double* seconds) {
  long year, month, day, hour, minute, second;
  if (iso.size() < 20 || !digits(iso, 0, 4, &year) || iso[4] != '-' || !digits(iso, 5, 2, &month) ||
      iso[7] != '-' || !digits(iso, 8, 2, &day) || iso[10] != 'T' || !digits(iso, 11, 2, &hour) ||
      iso[13] != ':' || !digits(iso, 14, 2, &minute) || iso[16] != ':' ||
      !digits(iso, 17, 2, &second) || iso.back() != 'Z')
    return false;
  double fraction = 0;
  std::string_view rest = iso.substr(19, iso.size() - 20);
  if (!rest.empty()) {
    if (rest[0] != '.' || rest.size() < 2 || rest.size() > 10) return false;
    double scale = 0.1;
    for (char c : rest.substr(1)) {
      if (c < '0' || c > '9') return false;
      fraction += (c - '0') * scale;
      scale /= 10;
    }
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
    return false;
  *seconds = static_cast<double>(days_from_civil(year, month, day)) * 86400 + hour * 3600 +
             minute * 60 + second + fraction;
  return true;
}

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
  double start;
  if (unix_time_of(report.started, &start)) {
    text += gauge("vornel_fleet_run_end_timestamp_seconds",
                  "When the fleet run ended, in seconds since 1970-01-01 UTC.");
    text += "vornel_fleet_run_end_timestamp_seconds{" + run + "} " +
            seconds_text(start + report.duration_s) + "\n";
  }
  return text;
}

bool write_metrics_file(const std::string& path, std::string_view text) {
  StagedFile staged;
  if (staged.open(path) != StagedFile::Opened::kYes || !staged.let_everyone_read()) return false;
  if (std::fwrite(text.data(), 1, text.size(), staged.file()) != text.size()) return false;
  return staged.commit();
}

}  // namespace vornel
