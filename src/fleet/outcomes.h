#ifndef VORNEL_FLEET_OUTCOMES_H_
#define VORNEL_FLEET_OUTCOMES_H_

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/archive.h"
#include "fleet/shard_plan.h"
#include "fleet/transcript.h"

namespace vornel {

// What a fleet run left of one shard.
struct ShardRecord {
  std::string site;                           // from shards.tsv
  std::optional<int> status;                  // its Vornel's exit status (shard-N/status)
  std::optional<ShardTranscript> transcript;  // shard-N/console.txt, read
  // On hosts, from the job logs of every round (the last one that ran it wins).
  bool tried = false;
  std::string host;
  int exit_value = 0;
  bool started = false;  // it began on a host in some round
};

// What a fleet's working folder holds, as vornel-shard outcomes reads it.
struct FleetRecord {
  bool remote = false;               // the shards ran on ssh hosts
  bool interrupted = false;          // the runner was interrupted
  std::vector<PlannedGroup> groups;  // every group of the list, in list order
  std::map<int, ShardRecord> shards;
};

enum class Outcome { kOk, kFailed, kSkipped, kNotRun, kNotRunToTheEnd, kNoOutcome };

// The name results.csv gives an outcome: ok, failed, skipped, not_run,
// not_run_to_the_end, no_outcome.
const char* outcome_name(Outcome outcome);

struct GroupResult {
  Outcome outcome = Outcome::kNoOutcome;
  int status = 0;       // Vornel's status number 1-6, 0 where there is none
  std::string reason;   // why it failed, was skipped or not run; empty when ok
  std::string host;     // on hosts: the host that ran it, or those of its site
  std::string fetched;  // download: the fetched file, relative to the folder
  std::string shown;    // the outcome as the summary shows it
  DeviceChange config;  // with an archive: its fetched file against the archived one
};

struct FleetResults {
  std::vector<GroupResult> groups;  // as FleetRecord::groups
  int ok = 0;
  int exit_status = 0;  // 0 all ok, 1 some failed or skipped, 3 a shard ended
                        // abnormally, 4 a host was lost or never reached
                        // (5, the archive not updated: archive_command.cc)
};

// Judges every group by its shard's transcript, status and host record.
// found(path) tells whether a file stands at path (relative to the folder):
// where a fetched file is, fetched/ADDRESS.ini or shard-N/ADDRESS.ini.
FleetResults judge_fleet(const FleetRecord& fleet,
                         const std::function<bool(const std::string&)>& found);

// The merged summary: a line per group in list order, then the count. What
// came from the list or a host shows its control characters as '?'.
std::string summary_text(const FleetRecord& fleet, const FleetResults& results,
                         std::string_view folder);

// results.csv: RFC 4180 (CRLF, a header row, a field quoted only when it
// holds a comma, a double quote, CR or LF), valid UTF-8 (a byte that isn't
// becomes U+FFFD); a field that begins with '=', '+', '-', '@', TAB or CR
// gets a "'" before it, so that no spreadsheet takes it for a formula. Its
// config and lines_changed are empty for a device not fetched, and in a run
// without an archive.
std::string results_csv(const FleetRecord& fleet, const FleetResults& results);

// The list to run again: the bytes of every group neither ok nor skipped,
// as they stand in list_text, in list order; empty when there is none. A
// group that ended without its newline gets one before the next.
std::string rerun_list(const FleetRecord& fleet, const FleetResults& results,
                       std::string_view list_text);

}  // namespace vornel

#endif  // VORNEL_FLEET_OUTCOMES_H_
