// How each group of a fleet run ended, judged from what its shard left: the
// records its vornel-batch wrote, its exit status, and on hosts the job logs.
#include "base/printable_text.h"
#include "fleet/layout.h"
#include "fleet/outcomes.h"

namespace vornel {
namespace {

// The summary shows the kind of outcome before its reason.
const char* shown_kind(Outcome outcome) {
  switch (outcome) {
    case Outcome::kOk:
      return "OK";
    case Outcome::kReady:
      return "ready";
    case Outcome::kFailed:
      return "failed: ";
    case Outcome::kSkipped:
      return "skipped: ";
    case Outcome::kHeldBack:
      return "held back: ";
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

std::string log_of(int shard) { return "see " + shard_name(shard) + "/" + kShardLog; }

// Stopped between two devices: by the run's stop file, or by a signal of a
// stop (on hosts, parallel's halt).
bool stopped_between_devices(int status) {
  return status == kBatchStopFile || status == 129 || status == 130 || status == 143;
}

std::string held_back_reason(const FleetRecord& fleet) {
  return fleet.stop_reason.empty() ? std::string("the run was stopped before it")
                                   : fleet.stop_reason;
}

struct Judge {
  const FleetRecord& fleet;
  const std::function<bool(const std::string&)>& found;
  FleetResults results;
  bool failed = false;
  bool abnormal = false;
  bool lost = false;

  GroupResult judge(const PlannedGroup& group);
  GroupResult from_record(const PlannedGroup& group, const DeviceResult& record);
  GroupResult without_record(const PlannedGroup& group, const ShardRecord& shard);
  GroupResult never_ran(const ShardRecord& shard);
};

GroupResult Judge::from_record(const PlannedGroup& group, const DeviceResult& record) {
  GroupResult judged;
  switch (record.outcome) {
    case DeviceOutcome::kOk:
    case DeviceOutcome::kReady:
      judged = result(record.outcome == DeviceOutcome::kOk ? Outcome::kOk : Outcome::kReady, "");
      judged.fetched_in_shard = record.fetched;
      if (!record.fetched.empty()) {
        std::string path = std::string(kFetchedDir) + "/" + group.address + ".ini";
        if (found(path)) {
          judged.fetched = path;
          judged.shown += "  " + path;
        }
      }
      break;
    case DeviceOutcome::kSkipped:
      judged = result(Outcome::kSkipped, record.reason);
      break;
    case DeviceOutcome::kFailed:
      // Shown as the shard's own summary words it.
      judged = result(Outcome::kFailed, record.reason);
      judged.shown = record.reason;
      break;
  }
  judged.status = record.status;
  judged.firmware = record.firmware;
  judged.start_ms = record.start_ms;
  judged.duration_ms = record.duration_ms;
  return judged;
}

// A shard that never ran a device: why.
GroupResult Judge::never_ran(const ShardRecord& shard) {
  if (fleet.stop == RunStop::kThreshold || fleet.stop == RunStop::kDeclined)
    return result(Outcome::kHeldBack, held_back_reason(fleet));
  if (fleet.stop == RunStop::kInterrupted) {
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

GroupResult Judge::without_record(const PlannedGroup& group, const ShardRecord& shard) {
  if (shard.status) {
    int status = *shard.status;
    bool stopped = stopped_between_devices(status);
    if (stopped && (fleet.stop == RunStop::kThreshold || fleet.stop == RunStop::kDeclined))
      return result(Outcome::kHeldBack, held_back_reason(fleet));
    if (stopped && fleet.stop == RunStop::kInterrupted)
      return result(Outcome::kNoOutcome, "the run was interrupted");
    if (status <= kBatchSomeFailed) return result(Outcome::kNoOutcome, log_of(group.shard));
    return result(Outcome::kNoOutcome,
                  "the shard ended with status " + std::to_string(status) + " before it");
  }
  if (!shard.has_records) return never_ran(shard);
  // It began, wrote records of its first devices, and left no status.
  if (fleet.remote && shard.exit_value == 255) {
    lost = true;
    return result(Outcome::kNotRunToTheEnd, "the host was lost while its shard ran");
  }
  if (fleet.stop == RunStop::kInterrupted) {
    return result(Outcome::kNoOutcome, "the run was interrupted");
  }
  return result(Outcome::kNoOutcome, "the shard's records end before it");
}

GroupResult Judge::judge(const PlannedGroup& group) {
  if (!group.refusal.empty()) return result(Outcome::kSkipped, group.refusal);
  auto found_shard = fleet.shards.find(group.shard);
  static const ShardRecord kNone;
  const ShardRecord& shard = found_shard == fleet.shards.end() ? kNone : found_shard->second;
  if (shard.status && *shard.status > kBatchSomeFailed &&
      !(stopped_between_devices(*shard.status) && fleet.stop != RunStop::kNone))
    abnormal = true;
  if (const DeviceResult* record = record_of(group, shard)) return from_record(group, *record);
  GroupResult judged = without_record(group, shard);
  // A shard that left a device without its record did not end as it should.
  if (judged.outcome == Outcome::kNoOutcome) abnormal = true;
  return judged;
}

}  // namespace

const DeviceResult* record_of(const PlannedGroup& group, const ShardRecord& shard) {
  for (const DeviceResult& record : shard.records) {
    if (record.line == group.shard_line && record.address == valid_utf8(group.address))
      return &record;
  }
  return nullptr;
}

const char* outcome_name(Outcome outcome) {
  switch (outcome) {
    case Outcome::kOk:
      return "ok";
    case Outcome::kReady:
      return "ready";
    case Outcome::kFailed:
      return "failed";
    case Outcome::kSkipped:
      return "skipped";
    case Outcome::kHeldBack:
      return "held_back";
    case Outcome::kNotRun:
      return "not_run";
    case Outcome::kNotRunToTheEnd:
      return "not_run_to_the_end";
    case Outcome::kNoOutcome:
      break;
  }
  return "no_outcome";
}

void raise_exit(FleetExit* status, FleetExit worse) {
  // Ranks in the order 0 < 1 < 5 < 6 < 3 < 4 (2 never comes here).
  auto rank = [](FleetExit exit) {
    switch (exit) {
      case FleetExit::kAllOk:
        return 0;
      case FleetExit::kSomeFailed:
        return 1;
      case FleetExit::kNotArchived:
        return 2;
      case FleetExit::kStopped:
        return 3;
      case FleetExit::kAbnormal:
        return 4;
      case FleetExit::kHostLost:
        return 5;
      case FleetExit::kUsage:
        break;
    }
    return 6;
  };
  if (rank(worse) > rank(*status)) *status = worse;
}

FleetResults judge_fleet(const FleetRecord& fleet,
                         const std::function<bool(const std::string&)>& found) {
  Judge judge{fleet, found, {}, false, false, false};
  for (const PlannedGroup& group : fleet.groups) {
    GroupResult judged = judge.judge(group);
    judged.host.clear();
    if (fleet.remote) {
      auto shard = fleet.shards.find(group.shard);
      if (shard != fleet.shards.end())
        judged.host = shard->second.tried ? shard->second.host : shard->second.site;
    }
    if (judged.outcome == Outcome::kOk || judged.outcome == Outcome::kReady) {
      ++judge.results.ok;
    } else if (judged.outcome == Outcome::kHeldBack) {
      ++judge.results.held_back;
    } else {
      judge.failed = true;
    }
    judge.results.groups.push_back(std::move(judged));
  }
  FleetExit& status = judge.results.exit_status;
  if (judge.failed) raise_exit(&status, FleetExit::kSomeFailed);
  if (fleet.stop == RunStop::kThreshold || fleet.stop == RunStop::kDeclined)
    raise_exit(&status, FleetExit::kStopped);
  if (judge.abnormal) raise_exit(&status, FleetExit::kAbnormal);
  if (judge.lost) raise_exit(&status, FleetExit::kHostLost);
  return judge.results;
}

}  // namespace vornel
