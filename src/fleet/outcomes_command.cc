#include <cstdio>
#include <string>

#include "base/printable_text.h"
#include "fleet/commands.h"
#include "fleet/workdir.h"
#include "platform/interrupt.h"

namespace fs = std::filesystem;

namespace vornel {

int outcomes_command(const CommandLine& line) {
  if (line.operands.size() != 1) return 2;
  const std::string& folder = line.operands[0];
  fs::path dir = folder;
  FleetRecord fleet;
  std::string archive;
  for (const CommandOption& option : line.options) {
    if (option.name == 'i') fleet.interrupted = true;
    if (option.name == 'A') archive = option.value;
  }
  std::string error;
  std::string list_text;
  if (!read_fleet_record(dir, &fleet, &error)) {
    complain(error);
    return 2;
  }
  if (!read_whole_file(dir / kListCopy, &list_text)) {
    complain("cannot read " + (dir / kListCopy).string());
    return 2;
  }

  FleetResults results = judge_fleet(fleet, [&](const std::string& path) {
    std::error_code missing;
    return fs::is_regular_file(fs::symlink_status(dir / path, missing));
  });
  std::string archived =
      archive.empty() ? "" : archive_fleet(dir, archive, fleet, &results, fleet.interrupted);
  std::fputs(summary_text(fleet, results, folder).c_str(), stdout);
  // It may quote git's words about the archive.
  if (!archived.empty()) std::printf("%s\n", printable_text(archived).c_str());

  std::string rerun = rerun_list(fleet, results, list_text);
  std::size_t rerun_count = 0;
  for (const GroupResult& group : results.groups) {
    rerun_count += group.outcome != Outcome::kOk && group.outcome != Outcome::kSkipped;
  }
  bool written = write_whole_file(dir / kResultsFile, results_csv(fleet, results));
  std::error_code ignored;
  if (rerun.empty()) {
    fs::remove(dir / kRerunFile, ignored);
  } else {
    written = write_whole_file(dir / kRerunFile, rerun) && written;
  }
  if (!written) {
    complain("cannot write " + (dir / kResultsFile).string() + " or " +
             (dir / kRerunFile).string());
    return 2;
  }
  std::string last = "vornel-fleet: results in " + folder + "/" + kResultsFile;
  if (rerun.empty()) {
    last += "; nothing to run again";
  } else {
    last += rerun_count == 1 ? "; the device to run again in "
                             : "; the " + std::to_string(rerun_count) + " devices to run again in ";
    last += folder + "/" + kRerunFile;
  }
  std::printf("%s\n", last.c_str());
  std::fflush(stdout);
  // An interrupt noted while archiving ends the process as it would have.
  exit_if_interrupted();
  return results.exit_status;
}

}  // namespace vornel
