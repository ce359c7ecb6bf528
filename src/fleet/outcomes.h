#ifndef VORNEL_FLEET_OUTCOMES_H_
#define VORNEL_FLEET_OUTCOMES_H_

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "fleet/shard_plan.h"
#include "report/device_result.h"

namespace vornel {

// vornel-batch's exit statuses that the fleet tells apart, as a shard's
// status file keeps them (vornel-batch(1)).
inline constexpr int kBatchSomeFailed = 1;
inline constexpr int kBatchStopFile = 3;  // stopped by the run's stop file

// What a fleet run left of one shard.
struct ShardRecord {
  std::string site;  // from shards.tsv
  int wave = 1;
  std::optional<int> status;           // its vornel-batch's exit status (shard-N/status)
  std::vector<DeviceResult> records;   // shard-N/results.jsonl, its whole lines
  bool has_records = false;            // results.jsonl is there
  // On hosts, from the job logs of every round (the last one that ran it wins).
  bool tried = false;
  std::string host;
  int exit_value = 0;
  bool started = false;  // it began on a host in some round
};

// Why a run ended before its list's end, if it did.
enum class RunStop {
  kNone,
  kInterrupted,  // a signal to vornel-fleet
  kThreshold,    // failures reached --max-fail
  kDeclined,     // the operator answered no before a wave (--confirm)
};

// What a fleet's working folder holds, as vornel-shard outcomes reads it.
struct FleetRecord {
  bool remote = false;               // the shards ran on ssh hosts
  RunStop stop = RunStop::kNone;
  std::string stop_reason;           // kThreshold, kDeclined: as the stop file says it
  bool check = false;                // a preflight: a good device is ready, not ok
  std::vector<PlannedGroup> groups;  // every group of the list, in list order
  std::map<int, ShardRecord> shards;
};

enum class Outcome {
  kOk,
  kReady,
  kFailed,
  kSkipped,
  kHeldBack,  // never started because the run was stopped
  kNotRun,
  kNotRunToTheEnd,
  kNoOutcome,
};

// The name results.csv gives an outcome: ok, ready, failed, skipped,
// held_back, not_run, not_run_to_the_end, no_outcome.
const char* outcome_name(Outcome outcome);

struct GroupResult {
  Outcome outcome = Outcome::kNoOutcome;
  int status = 0;       // Vornel's status number 1-6, 0 where there is none
  std::string reason;   // why it failed, was skipped or not run; empty when ok
  std::string host;     // on hosts: the host that ran it, or those of its site
  std::optional<std::int32_t> firmware;  // the version the firmware check read
  std::string fetched;  // download: the fetched file, relative to the folder
  std::string fetched_in_shard;  // the name its record gives the file, in its shard
  std::string shown;    // the outcome as the summary shows it
  DeviceChange config;  // with an archive: its fetched file against the archived one
  std::int64_t start_ms = 0;      // UTC, from its record; 0 without one
  std::int64_t duration_ms = -1;  // -1 without a record
};

// The fleet's exit statuses.
enum class FleetExit : int {
  kAllOk = 0,          // every device ok (or ready)
  kSomeFailed = 1,     // a device failed or a group was skipped
  kUsage = 2,          // nothing was run
  kAbnormal = 3,       // a shard ended abnormally
  kHostLost = 4,       // a host was lost or never reached
  kNotArchived = 5,    // the archive was not updated
  kStopped = 6,        // stopped before the list's end: --max-fail, or no at --confirm
};

struct FleetResults {
  std::vector<GroupResult> groups;  // as FleetRecord::groups
  int ok = 0;                       // ok or ready
  int held_back = 0;
  FleetExit exit_status = FleetExit::kAllOk;
};

// The record shard's vornel-batch wrote of group: the one of the group's
// line in the shard's list and of its address (as a record writes it);
// nullptr when there is none.
const DeviceResult* record_of(const PlannedGroup& group, const ShardRecord& shard);

// Judges every group by its shard's records, status and host record. found(path)
// tells whether a file stands at path (relative to the folder): where a
// fetched file is, fetched/ADDRESS.ini.
FleetResults judge_fleet(const FleetRecord& fleet,
                         const std::function<bool(const std::string&)>& found);

// Raises *status to worse, in the order 0 < 1 < 5 < 6 < 3 < 4: what says
// most about the run wins.
void raise_exit(FleetExit* status, FleetExit worse);

}  // namespace vornel

#endif  // VORNEL_FLEET_OUTCOMES_H_
