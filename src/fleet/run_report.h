#ifndef VORNEL_FLEET_RUN_REPORT_H_
#define VORNEL_FLEET_RUN_REPORT_H_

#include <map>
#include <string>
#include <vector>

namespace vornel {

// What the report page and the metrics file show of one fleet run: plain
// data, filled from the run's records and its archive. Every text in it is
// as a list, a device or a host left it; those who show it make it safe.

// One device (one group of the list).
struct ReportDevice {
  long line = 0;  // its line in the list
  std::string address;
  std::string outcome;   // as results.csv names it: ok, failed, skipped, ready, held_back, ...
  int status = 0;        // Vornel's status number 1-6, 0 where there is none
  std::string reason;    // why it failed, was skipped, held back or not run; empty when ok
  std::string firmware;  // the version the firmware gate read, in digits; empty when none was
  std::string host;      // on hosts: the host that ran it, or those of its site
  int shard = 0;         // 0: none (a group the list reader refused)
  int wave = 0;          // 0: the run had no waves
  std::string fetched;   // download: the fetched file, relative to the working folder
  std::string config;    // with an archive: new, changed, unchanged; empty when not fetched
  double seconds = -1;   // from its start to its end; below 0 when unknown
};

// One run the archive recorded, from its commit.
struct ArchivePoint {
  std::string commit;  // short name
  std::string when;    // the run's time, as the commit's title says it
  int changed = 0;
  int added = 0;  // new devices
  int unchanged = 0;
  int not_fetched = 0;
};

struct RunReport {
  std::string mode;     // upload, download or check
  std::string list;     // the list's name, as the operator gave it
  long long started_ms = 0;  // UTC, milliseconds since 1970
  double duration_s = 0;
  bool remote = false;                // the shards ran on ssh hosts
  std::vector<ReportDevice> devices;  // in list order
  std::vector<ArchivePoint> history;  // oldest first; empty without an archive
  // This run's changed devices: address -> git's unified diff of its file.
  std::map<std::string, std::string> diffs;
};

// The outcomes in the order every table, bar and metric shows them.
struct OutcomeKind {
  const char* name;   // as results.csv names it
  const char* shown;  // as a page shows it
  const char* color;  // its colour on a page, CSS
};
inline constexpr OutcomeKind kOutcomeKinds[] = {
    {"ok", "OK", "#2e7d32"},
    {"ready", "ready", "#66bb6a"},
    {"failed", "failed", "#c62828"},
    {"skipped", "skipped", "#ef6c00"},
    {"held_back", "held back", "#6a1b9a"},
    {"not_run", "not run", "#78909c"},
    {"not_run_to_the_end", "not run to the end", "#b0bec5"},
    {"no_outcome", "no outcome", "#37474f"},
};
inline constexpr int kOutcomeKindCount = sizeof kOutcomeKinds / sizeof kOutcomeKinds[0];

// The index of outcome in kOutcomeKinds; kOutcomeKindCount for a name not
// there (it is then counted and shown as it is).
int outcome_kind(const std::string& outcome);

// Devices per outcome, in the order of kOutcomeKinds, then any other
// outcome names in the order of their first device.
std::vector<std::pair<std::string, int>> outcome_counts(const std::vector<ReportDevice>& devices);

// Each reason of a device neither ok nor ready, with its outcome and how many
// devices gave it: most devices first, then in the order first met.
struct ReasonCount {
  std::string reason;
  std::string outcome;
  int devices = 0;
};
std::vector<ReasonCount> ranked_reasons(const std::vector<ReportDevice>& devices);

// The firmware versions the gate read, in ascending numeric order, and last
// (version empty) the devices whose version was not read, if any.
struct FirmwareCount {
  std::string version;
  int devices = 0;
  int too_old = 0;  // refused as too old (status 6)
};
std::vector<FirmwareCount> firmware_inventory(const std::vector<ReportDevice>& devices);

}  // namespace vornel

#endif  // VORNEL_FLEET_RUN_REPORT_H_
