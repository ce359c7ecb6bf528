#ifndef VORNEL_FLEET_RUN_SETTINGS_H_
#define VORNEL_FLEET_RUN_SETTINGS_H_

#include <filesystem>
#include <string>
#include <vector>

#include "fleet/waves.h"

namespace vornel {

// What a vornel-fleet run does to each device: a pass, or the preflight of one.
enum class FleetMode { kUpload, kDownload, kCheckUpload, kCheckDownload };

// "upload", "download", "check", "check-download": as -m names it.
const char* fleet_mode_name(FleetMode mode);
bool fleet_mode_of(std::string_view name, FleetMode* mode);
bool is_upload(FleetMode mode);  // the list's groups name INI files to send

// vornel-fleet's options, checked, as `vornel-shard start` reads them from
// the command line and keeps them in the working folder (run.tsv) for the
// later steps: every value one line, "NAME<TAB>VALUE".
struct RunSettings {
  FleetMode mode = FleetMode::kUpload;
  int jobs = 8;         // -k: shards at a time (here, or per host without a count)
  int shards = 0;       // -n; 0: eight a job slot
  std::string list;     // the batch list, as given
  std::string work;     // -w: the working folder, absolute once made
  std::string archive;  // -A, absolute
  std::string batch;    // -b: vornel-batch here, absolute
  std::string hosts;    // -S, as given
  std::string site_map;       // -M
  std::string remote_batch = "vornel-batch";  // -B: vornel-batch on the hosts
  bool retry = false;   // -r
  std::string waves;    // --waves, as given
  FailLimit max_fail;   // --max-fail
  bool confirm = false;  // --confirm
  std::string metrics;  // --metrics, absolute
  long long started_ms = 0;  // UTC, when the run began
};

// Reads vornel-fleet's arguments into *settings (paths as given). False with
// *error, the words vornel-fleet says, for an unknown option, a missing or
// bad value, or options that do not go together.
bool parse_fleet_arguments(const std::vector<std::string>& args, RunSettings* settings,
                           std::string* error);

bool write_run_settings(const std::filesystem::path& dir, const RunSettings& settings);
bool read_run_settings(const std::filesystem::path& dir, RunSettings* settings,
                       std::string* error);

}  // namespace vornel

#endif  // VORNEL_FLEET_RUN_SETTINGS_H_
