// The run's page (report.html) and, with --metrics, its figures for
// node_exporter, made from the run's own records and its archive.
#include <chrono>
#include <cstdio>

#include "archive/archive.h"
#include "fleet/commands.h"
#include "fleet/fleet_files.h"
#include "fleet/layout.h"
#include "fleet/metrics.h"
#include "fleet/report_page.h"
#include "fleet/run_settings.h"
#include "fleet/workdir.h"
#include "platform/system_clock.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

constexpr char kReportFile[] = "report.html";

// A folder cut by hand has no settings: its mode is its shards' list's.
std::string mode_of(const fs::path& dir, const RunSettings* settings, const FleetRecord& fleet) {
  if (settings != nullptr) return fleet_mode_name(settings->mode);
  if (fleet.check) return "check";
  std::error_code missing;
  return fs::exists(shard_dir(dir, 1) / kDownloadList, missing) ? "download" : "upload";
}

RunReport report_of(const fs::path& dir, const RunSettings* settings, const FleetRecord& fleet,
                    const FleetResults& results, const std::string& archive,
                    const std::string& commit) {
  RunReport report;
  report.mode = mode_of(dir, settings, fleet);
  report.remote = fleet.remote;
  long long started = 0;
  if (settings != nullptr) {
    report.list = settings->list;
    started = settings->started_ms;
  } else {
    report.list = kListCopy;
    std::error_code failed;
    auto written = fs::last_write_time(dir / kListCopy, failed);
    if (!failed)
      started = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::file_clock::to_sys(written).time_since_epoch())
                    .count();
  }
  report.started_ms = started;
  report.duration_s = started > 0 ? static_cast<double>(SystemClock().utc_ms() - started) / 1000 : 0;
  const bool waves = has_waves(fleet);
  for (std::size_t i = 0; i < fleet.groups.size(); ++i) {
    const PlannedGroup& group = fleet.groups[i];
    const GroupResult& result = results.groups[i];
    ReportDevice device;
    device.line = group.line;
    device.address = group.address;
    device.outcome = outcome_name(result.outcome);
    device.status = result.status;
    device.reason = result.reason;
    device.firmware = result.firmware ? std::to_string(*result.firmware) : "";
    device.host = result.host;
    device.shard = group.shard;
    device.wave = waves ? group.wave : 0;
    device.fetched = result.fetched;
    device.config = config_change_name(result.config.change);
    device.seconds = result.duration_ms >= 0 ? static_cast<double>(result.duration_ms) / 1000 : -1;
    report.devices.push_back(device);
  }
  if (!archive.empty()) {
    std::vector<ArchivedRun> runs = archived_runs(archive, kHistoryKept);
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
      report.history.push_back({run->commit, run->run_time, run->changed, run->added,
                                run->unchanged, run->not_fetched});
    }
    if (!commit.empty()) {
      for (const ReportDevice& device : report.devices) {
        if (device.config == "changed")
          report.diffs[device.address] = archived_diff(archive, commit, device.address + ".ini");
      }
    }
  }
  return report;
}

}  // namespace

void write_report_files(const fs::path& dir, const RunSettings* settings, const FleetRecord& fleet,
                        const FleetResults& results, const std::string& archive,
                        const std::string& commit) {
  RunReport report = report_of(dir, settings, fleet, results, archive, commit);
  if (!write_whole_file(dir / kReportFile, report_html(report)))
    complain("cannot write " + (dir / kReportFile).string());
  if (settings != nullptr && !settings->metrics.empty() &&
      !write_metrics_file(settings->metrics, metrics_text(report)))
    complain("cannot write the metrics file " + settings->metrics);
}

}  // namespace vornel
