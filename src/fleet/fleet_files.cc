#include "fleet/fleet_files.h"

#include <cstdio>
#include <map>
#include <vector>

#include "base/printable_text.h"
#include "fleet/layout.h"

namespace vornel {
namespace {

std::string csv_field(std::string_view text) {
  std::string clean;
  // A spreadsheet takes a cell that begins so for a formula (=HYPERLINK,
  // @SUM, +, - and what a TAB or CR before them hides): a quote makes it text.
  if (!text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos)
    clean = "'";
  clean += valid_utf8(text);
  if (clean.find_first_of(",\"\r\n") == std::string::npos) return clean;
  std::string quoted = "\"";
  for (char c : clean) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

bool has_waves(const FleetRecord& fleet) {
  for (const PlannedGroup& group : fleet.groups) {
    if (group.wave > 1) return true;
  }
  return false;
}

std::string summary_text(const FleetRecord& fleet, const FleetResults& results,
                         std::string_view folder) {
  std::string text;
  char line[512];
  const bool waves = has_waves(fleet);
  for (std::size_t i = 0; i < fleet.groups.size(); ++i) {
    const PlannedGroup& group = fleet.groups[i];
    const GroupResult& result = results.groups[i];
    std::string address = printable_text(group.address);
    std::string wave = waves ? "wave " + std::to_string(group.wave) + "  " : "";
    if (fleet.remote) {
      std::snprintf(line, sizeof line, "  %-15s  %sshard %-3d %-20s ", address.c_str(),
                    wave.c_str(), group.shard,
                    result.host.empty() ? "-" : printable_text(result.host).c_str());
    } else {
      std::snprintf(line, sizeof line, "  %-15s  %sshard %-3d ", address.c_str(), wave.c_str(),
                    group.shard);
    }
    text += line + printable_text(result.shown) + "\n";
  }
  std::size_t count = fleet.groups.size();
  std::size_t good = static_cast<std::size_t>(results.ok);
  std::size_t held = static_cast<std::size_t>(results.held_back);
  text += "vornel-fleet: " + std::to_string(count) + " devices, " + std::to_string(good) +
          (fleet.check ? " ready, " : " OK, ") + std::to_string(count - good - held) +
          (fleet.check ? " not ready" : " failed") +
          (held > 0 ? ", " + std::to_string(held) + " held back" : "") + "; logs in " +
          std::string(folder) + "/" + kShardPrefix + "N/" + kShardLog + "\n";
  if (!fleet.check) return text;
  // A preflight: each reason with how many devices gave it, in the order first met.
  std::vector<std::string> reasons;
  std::map<std::string, int> devices;
  for (const GroupResult& result : results.groups) {
    if (result.outcome == Outcome::kReady || result.outcome == Outcome::kHeldBack) continue;
    std::string reason = printable_text(result.shown);
    if (devices[reason]++ == 0) reasons.push_back(reason);
  }
  for (const std::string& reason : reasons) {
    std::snprintf(line, sizeof line, "vornel-fleet: %5d  ", devices[reason]);
    text += line + reason + "\n";
  }
  return text;
}

std::string results_csv(const FleetRecord& fleet, const FleetResults& results) {
  std::string csv =
      "line,address,shard,host,wave,outcome,status,reason,firmware,fetched,config,"
      "lines_changed\r\n";
  const bool waves = has_waves(fleet);
  for (std::size_t i = 0; i < fleet.groups.size(); ++i) {
    const PlannedGroup& group = fleet.groups[i];
    const GroupResult& result = results.groups[i];
    csv += std::to_string(group.line) + "," + csv_field(group.address) + "," +
           (group.shard > 0 ? std::to_string(group.shard) : "") + "," + csv_field(result.host) +
           "," + (waves ? std::to_string(group.wave) : "") + "," + outcome_name(result.outcome) +
           "," + (result.status > 0 ? std::to_string(result.status) : "") + "," +
           csv_field(result.reason) + "," +
           (result.firmware ? std::to_string(*result.firmware) : "") + "," +
           csv_field(result.fetched) + "," + config_change_name(result.config.change) + "," +
           (result.config.change == ConfigChange::kNotFetched
                ? ""
                : std::to_string(result.config.added + result.config.removed)) +
           "\r\n";
  }
  return csv;
}

bool belongs_to(ListKind kind, Outcome outcome) {
  switch (kind) {
    case ListKind::kReady:
      return outcome == Outcome::kReady;
    case ListKind::kRemaining:
      return outcome == Outcome::kHeldBack;
    case ListKind::kRerun:
      break;
  }
  return outcome == Outcome::kFailed || outcome == Outcome::kNotRun ||
         outcome == Outcome::kNotRunToTheEnd || outcome == Outcome::kNoOutcome;
}

std::string list_of(ListKind kind, const FleetRecord& fleet, const FleetResults& results,
                    std::string_view list_text) {
  std::string text;
  for (std::size_t i = 0; i < fleet.groups.size(); ++i) {
    const PlannedGroup& group = fleet.groups[i];
    if (!belongs_to(kind, results.groups[i].outcome)) continue;
    if (group.end > static_cast<long>(list_text.size())) continue;
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += list_text.substr(group.begin, group.end - group.begin);
  }
  return text;
}

}  // namespace vornel
