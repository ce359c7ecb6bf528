#include "fleet/outcomes.h"

#include <cstdio>

#include "base/printable_text.h"

namespace vornel {
namespace {

struct Judge {
  Judge(const FleetRecord& fleet, const std::function<bool(const std::string&)>& found)
      : fleet(fleet), found(found) {}

  const FleetRecord& fleet;
  const std::function<bool(const std::string&)>& found;
  FleetResults results;
  std::map<int, std::size_t> worked;    // per shard: its transcript's targets taken so far
  std::map<int, std::size_t> reported;  // per shard: its summary lines taken so far
  bool failed = false;
  bool abnormal = false;
  bool lost = false;

  GroupResult judge(const PlannedGroup& group);
  GroupResult without_transcript(const ShardRecord& shard);
  GroupResult from_transcript(const PlannedGroup& group, const ShardRecord& shard);
};

// The summary shows the kind of outcome before its reason.
const char* shown_kind(Outcome outcome) {
  switch (outcome) {
    case Outcome::kOk:
      return "OK";
    case Outcome::kFailed:
      return "failed: ";
    case Outcome::kSkipped:
      return "skipped: ";
    case Outcome::kNotRun:
      return "not run: ";
    case Outcome::kNotRunToTheEnd:
      return "not run to the end: ";
    case Outcome::kNoOutcome:
      break;
  }
  return "no outcome: ";
}

GroupResult result(Outcome outcome, std::string reason) {
  GroupResult result;
  result.outcome = outcome;
  result.reason = std::move(reason);
  result.shown = shown_kind(outcome) + result.reason;
  return result;
}

std::string log_of(int shard) { return "see shard-" + std::to_string(shard) + "/log.txt"; }

GroupResult Judge::without_transcript(const ShardRecord& shard) {
  if (fleet.interrupted) {
    abnormal = true;
    return result(Outcome::kNoOutcome, "the run was interrupted");
  }
  if (!fleet.remote) {
    abnormal = true;
    return result(Outcome::kNoOutcome, "the shard did not run");
  }
  if (!shard.tried) {
    lost = true;
    return result(Outcome::kNotRun, "no host of its site could be reached");
  }
  if (shard.exit_value == 255) {
    // A shard that never began was sent on; the host named is the last that failed it.
    lost = true;
    if (!shard.started) return result(Outcome::kNotRun, "the host could not be reached");
    return result(Outcome::kNotRunToTheEnd, "the host was lost while its shard ran");
  }
  abnormal = true;
  return result(Outcome::kNoOutcome,
                "the shard ended with exit value " + std::to_string(shard.exit_value));
}

GroupResult Judge::from_transcript(const PlannedGroup& group, const ShardRecord& shard) {
  const ShardTranscript& transcript = *shard.transcript;
  // How the shard ended, for the devices it left without an outcome.
  std::string before = " before it";
  std::string during = " while it ran";
  std::string ended = "the shard's transcript ends";
  if (shard.status) {
    ended = "the shard ended with status " + std::to_string(*shard.status);
  } else if (fleet.interrupted) {
    ended = "the run was interrupted";
    before = during = "";
  }
  std::size_t index = worked[group.shard]++;
  if (index >= transcript.targets.size()) return result(Outcome::kNoOutcome, ended + before);
  const WorkedTarget& target = transcript.targets[index];
  if (target.address != group.address) return result(Outcome::kNoOutcome, log_of(group.shard));
  if (target.done) {
    GroupResult ok = result(Outcome::kOk, "");
    ok.status = 1;
    if (target.download) {
      for (std::string place : {std::string("fetched"), "shard-" + std::to_string(group.shard)}) {
        std::string path = place + "/" + group.address + ".ini";
        if (found(path)) {
          ok.fetched = path;
          ok.shown += "  " + path;
          break;
        }
      }
    }
    return ok;
  }
  std::size_t line = reported[group.shard]++;
  if (line < transcript.failures.size() && transcript.failures[line].address == group.address) {
    // Shown as the shard's own summary words it.
    GroupResult failure = result(Outcome::kFailed, transcript.failures[line].reason);
    failure.status = transcript.failures[line].status;
    failure.shown = failure.reason;
    return failure;
  }
  // The last device of a pass cut short, before its outcome was written.
  if (!transcript.summary && index + 1 == transcript.targets.size())
    return result(Outcome::kNoOutcome, ended + during);
  return result(Outcome::kFailed, log_of(group.shard));
}

GroupResult Judge::judge(const PlannedGroup& group) {
  if (!group.refusal.empty()) return result(Outcome::kSkipped, group.refusal);
  auto found_shard = fleet.shards.find(group.shard);
  static const ShardRecord kNone;
  const ShardRecord& shard = found_shard == fleet.shards.end() ? kNone : found_shard->second;
  if (shard.status && *shard.status != 0) abnormal = true;
  if (!shard.status && shard.transcript && !shard.transcript->summary) abnormal = true;
  if (!shard.status && !shard.transcript) return without_transcript(shard);
  if (!shard.transcript) {
    return result(Outcome::kNoOutcome,
                  "the shard ended with status " + std::to_string(*shard.status) + " before it");
  }
  return from_transcript(group, shard);
}

std::string csv_field(std::string_view text) {
  // Valid UTF-8 only: a list or a device may hold any byte.
  std::string clean;
  // A spreadsheet takes a cell that begins so for a formula (=HYPERLINK,
  // @SUM, +, - and what a TAB or CR before them hides): a quote makes it text.
  if (!text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos)
    clean = "'";
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t length = c < 0x80           ? 1
                         : (c >> 5) == 0x6  ? 2
                         : (c >> 4) == 0xe  ? 3
                         : (c >> 3) == 0x1e ? 4
                                            : 0;
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k)
      valid = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
    if (valid && length > 1) {
      // No overlong forms, surrogates or code points past U+10FFFF.
      unsigned char next = static_cast<unsigned char>(text[i + 1]);
      valid = !(c < 0xc2 || (c == 0xe0 && next < 0xa0) || (c == 0xed && next > 0x9f) ||
                (c == 0xf0 && next < 0x90) || (c == 0xf4 && next > 0x8f) || c > 0xf4);
    }
    if (valid) {
      clean.append(text.substr(i, length));
      i += length;
    } else {
      clean += "\xEF\xBF\xBD";
      ++i;
    }
  }
  if (clean.find_first_of(",\"\r\n") == std::string::npos) return clean;
  std::string quoted = "\"";
  for (char c : clean) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

const char* outcome_name(Outcome outcome) {
  switch (outcome) {
    case Outcome::kOk:
      return "ok";
    case Outcome::kFailed:
      return "failed";
    case Outcome::kSkipped:
      return "skipped";
    case Outcome::kNotRun:
      return "not_run";
    case Outcome::kNotRunToTheEnd:
      return "not_run_to_the_end";
    case Outcome::kNoOutcome:
      break;
  }
  return "no_outcome";
}

FleetResults judge_fleet(const FleetRecord& fleet,
                         const std::function<bool(const std::string&)>& found) {
  Judge judge(fleet, found);
  for (const PlannedGroup& group : fleet.groups) {
    GroupResult result = judge.judge(group);
    if (fleet.remote) {
      auto shard = fleet.shards.find(group.shard);
      if (shard != fleet.shards.end())
        result.host = shard->second.tried ? shard->second.host : shard->second.site;
    }
    if (result.outcome == Outcome::kOk) {
      ++judge.results.ok;
    } else {
      judge.failed = true;
    }
    judge.results.groups.push_back(std::move(result));
  }
  judge.results.exit_status = judge.lost ? 4 : judge.abnormal ? 3 : judge.failed ? 1 : 0;
  return judge.results;
}

std::string summary_text(const FleetRecord& fleet, const FleetResults& results,
                         std::string_view folder) {
  std::string text;
  char line[512];
  for (std::size_t i = 0; i < fleet.groups.size(); ++i) {
    const PlannedGroup& group = fleet.groups[i];
    const GroupResult& result = results.groups[i];
    // What a list or a host wrote is shown without its control characters.
    std::string address = printable_text(group.address);
    if (fleet.remote) {
      std::snprintf(line, sizeof line, "  %-15s  shard %-3d %-20s ", address.c_str(), group.shard,
                    result.host.empty() ? "-" : printable_text(result.host).c_str());
    } else {
      std::snprintf(line, sizeof line, "  %-15s  shard %-3d ", address.c_str(), group.shard);
    }
    text += line + printable_text(result.shown) + "\n";
  }
  std::size_t count = fleet.groups.size();
  text += "vornel-fleet: " + std::to_string(count) + " devices, " + std::to_string(results.ok) +
          " OK, " + std::to_string(count - static_cast<std::size_t>(results.ok)) +
          " failed; logs in " + std::string(folder) + "/shard-N/log.txt\n";
  return text;
}

std::string results_csv(const FleetRecord& fleet, const FleetResults& results) {
  std::string csv =
      "line,address,shard,host,outcome,status,reason,fetched,config,lines_changed\r\n";
  for (std::size_t i = 0; i < fleet.groups.size(); ++i) {
    const PlannedGroup& group = fleet.groups[i];
    const GroupResult& result = results.groups[i];
    csv += std::to_string(group.line) + "," + csv_field(group.address) + "," +
           (group.shard > 0 ? std::to_string(group.shard) : "") + "," + csv_field(result.host) +
           "," + outcome_name(result.outcome) + "," +
           (result.status > 0 ? std::to_string(result.status) : "") + "," +
           csv_field(result.reason) + "," + csv_field(result.fetched) + "," +
           config_change_name(result.config.change) + "," +
           (result.config.change == ConfigChange::kNotFetched
                ? ""
                : std::to_string(result.config.added + result.config.removed)) +
           "\r\n";
  }
  return csv;
}

std::string rerun_list(const FleetRecord& fleet, const FleetResults& results,
                       std::string_view list_text) {
  std::string text;
  for (std::size_t i = 0; i < fleet.groups.size(); ++i) {
    const PlannedGroup& group = fleet.groups[i];
    Outcome outcome = results.groups[i].outcome;
    if (outcome == Outcome::kOk || outcome == Outcome::kSkipped) continue;
    if (group.end > static_cast<long>(list_text.size())) continue;
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += list_text.substr(group.begin, group.end - group.begin);
  }
  return text;
}

}  // namespace vornel
