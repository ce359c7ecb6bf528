#ifndef VORNEL_FLEET_COMMANDS_H_
#define VORNEL_FLEET_COMMANDS_H_

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/printable_text.h"
#include "fleet/arguments.h"
#include "fleet/outcomes.h"
#include "fleet/run_settings.h"

namespace vornel {

// vornel-shard's commands (the table is in shard_main.cc). Each takes its
// options and operands, writes its messages to standard output and error,
// and returns the exit status.

// vornel-shard LIST: one line per group Vornel takes.
int list_groups_command(const std::string& list);

// vornel-shard -o DIR [-n SHARDS] [-k JOBS] [-m MODE] [-S HOSTS|@FILE] [-M MAP] LIST
int cut_command(const CommandLine& line);

// vornel-shard start ARGS: vornel-fleet's arguments checked, the working
// folder made and cut; its last line of output is the folder's path.
// program: how this program was started, to find vornel-batch beside it.
int start_command(const std::string& program, const std::vector<std::string>& args);

// vornel-shard round DIR: GNU parallel's arguments for the next round, one
// a line; none once the run is over.
int round_command(const CommandLine& line);

// vornel-shard watch DIR: the round's tagged output into each shard's
// records, the live line and the stop threshold.
int watch_command(const CommandLine& line);

// vornel-shard finish [-i STATUS] DIR: the hosts cleaned up, then as
// outcomes with the run's own archive and metrics; STATUS, the signal's,
// when the run was interrupted.
int finish_command(const CommandLine& line);

// vornel-shard outcomes [-i] [-A ARCHIVE] DIR: the fetched files gathered,
// the merged summary, results.csv, the lists, report.html, and with -A the
// fetched files archived; the fleet's exit status.
int outcomes_command(const CommandLine& line);

// vornel-shard report DIR: report.html written again from the folder as it
// is (a run cut by hand, or read again later), nothing else.
int report_command(const CommandLine& line);

// vornel-shard archive ARCHIVE [WORKDIR]: 0 when a download run may keep its
// history in ARCHIVE (made a repository when new or empty), else 2 with why
// (archive.h). WORKDIR is the run's working folder, which it must not hold.
int archive_command(const CommandLine& line);

// What outcomes and finish do: judges dir (shown as folder), writes its
// files and returns the exit status.
int judge_folder(const std::filesystem::path& dir, const std::string& folder,
                 const std::string& archive, RunStop stop);

// With -A: archives the fetched files of the judged fleet in dir, adds what
// changed per device to *results (exit status 5 when the archive was not
// updated), and returns the summary's line about it; *commit is the commit
// made, if any. After an interrupted run nothing is archived.
std::string archive_fleet(const std::filesystem::path& dir, const std::string& archive,
                          const FleetRecord& fleet, FleetResults* results, bool interrupted,
                          std::string* commit);

// An address that can stand as a file name (ADDRESS.ini) of the archive and
// of fetched/.
bool plain_address(const std::string& address);

// Moves each ok device's fetched file from its shard into fetched/, when its
// own record names it ADDRESS.ini and it is a plain file within the fetch
// limit (fetched_files.cc).
void gather_fetched_files(const std::filesystem::path& dir, const FleetRecord& fleet);

// report.html in dir, and the metrics file when settings ask for one.
// settings: nullptr for a folder cut by hand.
void write_report_files(const std::filesystem::path& dir, const RunSettings* settings,
                        const FleetRecord& fleet, const FleetResults& results,
                        const std::string& archive, const std::string& commit);

// A message on standard error. What it quotes of a list, a host or git is
// shown printable.
inline void complain(const std::string& text) {
  std::fprintf(stderr, "vornel-shard: %s\n", printable_text(text).c_str());
}

}  // namespace vornel

#endif  // VORNEL_FLEET_COMMANDS_H_
