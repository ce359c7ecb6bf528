#include <cstdio>
#include <string>

#include "base/printable_text.h"
#include "fleet/commands.h"
#include "fleet/fleet_files.h"
#include "fleet/host_sessions.h"
#include "fleet/layout.h"
#include "fleet/run_settings.h"
#include "fleet/workdir.h"
#include "platform/interrupt.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

struct ListFile {
  ListKind kind;
  const char* name;
  const char* one;   // the line that names it, for one device
  const char* many;  // for several; %s: how many
};

constexpr ListFile kListFiles[] = {
    {ListKind::kRerun, kRerunFile, "the device to run again in ", "devices to run again in "},
    {ListKind::kReady, kReadyFile, "the ready device in ", "ready devices in "},
    {ListKind::kRemaining, kRemainingFile, "the device held back in ", "devices held back in "},
};

// Writes (or removes, when it would be empty) each list; the words that
// name them for the summary's last line, "" for none.
bool write_lists(const fs::path& dir, const std::string& folder, const FleetRecord& fleet,
                 const FleetResults& results, std::string* named) {
  std::string list_text;
  if (!read_whole_file(dir / kListCopy, &list_text)) {
    complain("cannot read " + (dir / kListCopy).string());
    return false;
  }
  bool written = true;
  for (const ListFile& list : kListFiles) {
    std::string text = list_of(list.kind, fleet, results, list_text);
    std::error_code ignored;
    if (text.empty()) {
      fs::remove(dir / list.name, ignored);
      continue;
    }
    written = write_whole_file(dir / list.name, text) && written;
    std::size_t count = 0;
    for (const GroupResult& group : results.groups) count += belongs_to(list.kind, group.outcome);
    *named += "; ";
    *named += count == 1 ? list.one : "the " + std::to_string(count) + " " + list.many;
    *named += folder + "/" + list.name;
  }
  if (!written) complain("cannot write the lists in " + dir.string());
  return written;
}

// The folder's record, and its settings when vornel-fleet made it
// (*fleet_run); false, said, when the record can't be read. A folder cut by
// hand has no settings: its records saying ready tell a preflight.
bool read_folder(const fs::path& dir, FleetRecord* fleet, RunSettings* settings, bool* fleet_run) {
  std::string error;
  if (!read_fleet_record(dir, fleet, &error)) {
    complain(error);
    return false;
  }
  *fleet_run = read_run_settings(dir, settings, &error);
  fleet->check = *fleet_run && (settings->mode == FleetMode::kCheckUpload ||
                                settings->mode == FleetMode::kCheckDownload);
  if (!*fleet_run) {
    for (const auto& [number, shard] : fleet->shards) {
      for (const DeviceResult& record : shard.records)
        fleet->check |= record.outcome == DeviceOutcome::kReady;
    }
  }
  return true;
}

// Every group judged, its fetched file looked for in dir.
FleetResults judge_in(const fs::path& dir, const FleetRecord& fleet) {
  return judge_fleet(fleet, [&](const std::string& path) {
    std::error_code missing;
    return fs::is_regular_file(fs::symlink_status(dir / path, missing));
  });
}

}  // namespace

int judge_folder(const fs::path& dir, const std::string& folder, const std::string& archive,
                 RunStop stop) {
  FleetRecord fleet;
  RunSettings settings;
  bool fleet_run;
  if (!read_folder(dir, &fleet, &settings, &fleet_run)) return static_cast<int>(FleetExit::kUsage);
  if (stop != RunStop::kNone) fleet.stop = stop;
  gather_fetched_files(dir, fleet);
  FleetResults results = judge_in(dir, fleet);
  std::string commit;
  std::string archived = archive.empty() ? ""
                                         : archive_fleet(dir, archive, fleet, &results,
                                                         fleet.stop == RunStop::kInterrupted, &commit);
  std::fputs(summary_text(fleet, results, folder).c_str(), stdout);
  // It may quote git's words about the archive.
  if (!archived.empty()) std::printf("%s\n", printable_text(archived).c_str());
  if (fleet.stop == RunStop::kThreshold || fleet.stop == RunStop::kDeclined) {
    std::string reason = fleet.stop_reason.empty() ? "by its stop file" : fleet.stop_reason;
    std::printf("vornel-fleet: stopped: %s; %d %s held back\n",
                printable_text(reason).c_str(), results.held_back,
                results.held_back == 1 ? "device" : "devices");
  }

  std::string named;
  bool written = write_whole_file(dir / kResultsFile, results_csv(fleet, results));
  if (!written) complain("cannot write " + (dir / kResultsFile).string());
  written = write_lists(dir, folder, fleet, results, &named) && written;
  write_report_files(dir, fleet_run ? &settings : nullptr, fleet, results, archive, commit);
  if (!written) return static_cast<int>(FleetExit::kUsage);
  std::printf("vornel-fleet: results in %s/%s%s\n", printable_text(folder).c_str(), kResultsFile,
              named.empty() ? "; nothing to run again" : printable_text(named).c_str());
  std::fflush(stdout);
  // An interrupt noted while archiving ends the process as it would have.
  exit_if_interrupted();
  return static_cast<int>(results.exit_status);
}

int outcomes_command(const CommandLine& line) {
  std::string archive;
  RunStop stop = RunStop::kNone;
  for (const CommandOption& option : line.options) {
    if (option.name == 'i') stop = RunStop::kInterrupted;
    if (option.name == 'A') archive = option.value;
  }
  return judge_folder(line.operands[0], line.operands[0], archive, stop);
}

int finish_command(const CommandLine& line) {
  const fs::path dir = line.operands[0];
  int signal_status = 0;
  for (const CommandOption& option : line.options) {
    if (option.name == 'i' && !parse_number(option.value, &signal_status)) signal_status = 130;
  }
  // What the run left on the hosts goes at once, one session a host, failed
  // run or not: the lists there hold every password.
  std::vector<FleetHost> hosts;
  HostSessions sessions;
  if (read_host_table(dir, &hosts) && read_host_sessions(dir, &sessions)) {
    std::vector<bool> removed =
        on_hosts(sessions, hosts, sessions.prepared, cleanup_command(sessions));
    for (std::size_t i = 0; i < removed.size(); ++i) {
      if (removed[i]) continue;
      std::fprintf(stderr, "vornel-fleet: could not remove %s on %s; remove it by hand\n",
                   sessions.remote_work.c_str(),
                   printable_text(hosts[static_cast<std::size_t>(sessions.prepared[i])].login).c_str());
    }
    end_host_sessions(sessions, hosts);
  }
  RunSettings settings;
  std::string error;
  std::string archive;
  std::string folder = dir.string();
  if (read_run_settings(dir, &settings, &error)) {
    archive = settings.archive;
    folder = settings.work;
  }
  int status = judge_folder(dir, folder, archive,
                            signal_status != 0 ? RunStop::kInterrupted : RunStop::kNone);
  return signal_status != 0 ? signal_status : status;
}

int report_command(const CommandLine& line) {
  const fs::path dir = line.operands[0];
  FleetRecord fleet;
  RunSettings settings;
  bool fleet_run;
  if (!read_folder(dir, &fleet, &settings, &fleet_run)) return static_cast<int>(FleetExit::kUsage);
  settings.metrics.clear();  // a re-read makes the page, not another run's figures
  write_report_files(dir, fleet_run ? &settings : nullptr, fleet, judge_in(dir, fleet),
                     settings.archive, "");
  return 0;
}

}  // namespace vornel
