#include <chrono>
#include <cstdio>
#include <ctime>
#include <set>

#include "archive/archive.h"
#include "base/local_name.h"
#include "fleet/commands.h"
#include "fleet/layout.h"
#include "fleet/workdir.h"
#include "platform/interrupt.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

// The run's time: when its list was copied into the working folder, so that
// archiving a folder again later names the same run.
std::string run_time_of(const fs::path& list_copy) {
  std::error_code failed;
  fs::file_time_type written = fs::last_write_time(list_copy, failed);
  std::time_t when =
      failed ? std::time(nullptr)
             : std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
  char text[32] = "";
  if (const std::tm* local = std::localtime(&when))
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
  return text;
}

// Status 5: the devices were worked, their files are in the working folder,
// but the archive does not hold them. A shard that ended abnormally (3) or a
// lost host (4) says more and stays.
void not_updated(FleetResults* results) { raise_exit(&results->exit_status, FleetExit::kNotArchived); }

}  // namespace

bool plain_address(const std::string& address) {
  return !address.empty() && address.find_first_not_of("0123456789.") == std::string::npos &&
         !local_name_refusal(address + ".ini");
}

int archive_command(const CommandLine& line) {
  if (line.operands.empty() || line.operands.size() > 2) return 2;
  std::string error;
  FileLock lock;
  if (!prepare_archive(line.operands[0], line.operands.size() == 2 ? line.operands[1] : "", &lock,
                       &error)) {
    complain(line.operands[0] + " " + error);
    return 2;
  }
  return 0;
}

std::string archive_fleet(const fs::path& dir, const std::string& archive, const FleetRecord& fleet,
                          FleetResults* results, bool interrupted, std::string* commit) {
  if (interrupted) {
    return "vornel-fleet: the run was interrupted; nothing archived in " + archive;
  }
  ArchiveRequest request;
  request.run_time = run_time_of(dir / kListCopy);
  fs::path work = fs::absolute(dir).lexically_normal();
  if (!work.has_filename()) work = work.parent_path();  // "run/." is "run"
  request.work_dir = work.string();
  std::set<std::string> fetched;
  std::set<std::string> listed;
  for (std::size_t i = 0; i < fleet.groups.size(); ++i) {
    const std::string& address = fleet.groups[i].address;
    const GroupResult& result = results->groups[i];
    listed.insert(address);
    if (result.outcome != Outcome::kOk || result.fetched.empty() || !plain_address(address) ||
        !fetched.insert(address).second)
      continue;
    request.fetched.emplace_back(address, fs::absolute(dir / result.fetched).string());
  }
  for (const std::string& address : listed) request.not_fetched += !fetched.count(address);

  // From here an interrupt is noted, not obeyed at once: the archive decides
  // when it may stop.
  install_interrupt_handlers();
  ArchiveReport report = archive_run(archive, request);
  using Kind = ArchiveReport::Kind;
  if (report.kind == Kind::kNotArchived) {
    not_updated(results);
    return "vornel-fleet: nothing archived in " + archive + ": " + report.why;
  }
  for (std::size_t i = 0; i < fleet.groups.size(); ++i) {
    auto found = report.devices.find(fleet.groups[i].address);
    GroupResult& result = results->groups[i];
    if (found == report.devices.end() || result.fetched.empty()) continue;
    result.config = found->second;
    result.shown += "  " + change_words(found->second);
  }
  if (report.kind == Kind::kNothingChanged) {
    return "vornel-fleet: nothing changed since the last run archived in " + archive +
           "; no commit (" + run_counts(request, report) + ")";
  }
  *commit = report.commit;
  std::string made = "vornel-fleet: archived in " + archive + " as commit " + report.commit + ": " +
                     run_counts(request, report);
  if (report.kind == Kind::kTreeNotWritten) {
    not_updated(results);
    made += "; but its files were not written out (" + report.why + "): git -C " + archive +
            " reset --hard writes them";
  }
  return made;
}

}  // namespace vornel
