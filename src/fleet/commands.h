#ifndef VORNEL_FLEET_COMMANDS_H_
#define VORNEL_FLEET_COMMANDS_H_

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/printable_text.h"
#include "fleet/arguments.h"
#include "fleet/outcomes.h"

namespace vornel {

// vornel-shard's commands. Each takes its options and operands, writes its
// messages to standard output and error, and returns the exit status.

// vornel-shard LIST: one line per group Vornel takes.
int list_groups_command(const std::string& list);

// vornel-shard -o DIR [-n SHARDS] [-k JOBS] [-m MODE] [-S HOSTS|@FILE] [-M MAP] LIST
int cut_command(const CommandLine& line);

// vornel-shard jobs [-r] DIR [LIVE_HOST...]: the next round's job lines.
int jobs_command(const CommandLine& line);

// vornel-shard outcomes [-i] [-A ARCHIVE] DIR: the merged summary,
// results.csv and the rerun list, and with -A the fetched files archived;
// the fleet's exit status.
int outcomes_command(const CommandLine& line);

// vornel-shard archive ARCHIVE [WORKDIR]: 0 when a download run may keep its
// history in ARCHIVE (made a repository when new or empty), else 2 with why
// (archive.h). WORKDIR is the run's working folder, which it must not hold.
int archive_command(const CommandLine& line);

// With -A: archives the fetched files of the judged fleet in dir, adds what
// changed per device to *results (exit status 5 when the archive was not
// updated), and returns the summary's line about it. After an interrupted
// run nothing is archived.
std::string archive_fleet(const std::filesystem::path& dir, const std::string& archive,
                          const FleetRecord& fleet, FleetResults* results, bool interrupted);

// A message on standard error. What it quotes of a list, a host or git is
// shown with its control characters as '?'.
inline void complain(const std::string& text) {
  std::fprintf(stderr, "vornel-shard: %s\n", printable_text(text).c_str());
}

}  // namespace vornel

#endif  // VORNEL_FLEET_COMMANDS_H_
