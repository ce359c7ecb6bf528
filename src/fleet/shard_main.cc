// vornel-shard: the fleet's reader and writer of lists, transcripts and
// logs (vornel-fleet runs the shards; everything that reads is here). The
// groups come from Vornel's own list reader and the outcomes are read by the
// texts Vornel writes them with, so no second copy of either can drift.
//
//   vornel-shard LIST
//       one line per group Vornel takes: LINE, ADDRESS, INI, USER, PASSWORD,
//       tab-separated; a refused group is named on standard error instead
//   vornel-shard -o DIR [-n SHARDS] [-k JOBS] [-m upload|download]
//                [-S HOSTS|@FILE] [-M SITEMAP] LIST
//       cuts LIST into DIR/shard-N/ (workdir.h, tables.h)
//   vornel-shard jobs [-r] DIR [LIVE_HOST...]
//       the job lines of the next round on the hosts
//   vornel-shard outcomes [-i] [-A ARCHIVE] DIR
//       the merged summary, DIR/results.csv and DIR/rerun_list.txt; with -A
//       the fetched files committed to the git repository ARCHIVE
//   vornel-shard archive ARCHIVE [WORKDIR]
//       whether ARCHIVE may take a download run's files (archive.h)
#include <cstdio>
#include <string>
#include <vector>

#include "fleet/arguments.h"
#include "fleet/commands.h"
#include "platform/private_files.h"

namespace {

int usage() {
  std::fputs(
      "usage: vornel-shard LIST\n"
      "       vornel-shard -o DIR [-n SHARDS] [-k JOBS] [-m upload|download] [-S HOSTS|@FILE]"
      " [-M SITEMAP] LIST\n"
      "       vornel-shard outcomes [-i] [-A ARCHIVE] DIR\n"
      "       vornel-shard jobs [-r] DIR [LIVE_HOST...]\n"
      "       vornel-shard archive ARCHIVE [WORKDIR]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // The shards, tables and copies hold every device's password.
  vornel::make_new_files_private();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : argc), argv + argc);
  std::string command = args.empty() ? "" : args[0];
  const char* letters = "o:n:k:m:S:M:";
  if (command == "outcomes" || command == "jobs" || command == "archive") {
    args.erase(args.begin());
    letters = command == "outcomes" ? "iA:" : command == "jobs" ? "r" : "";
  }
  vornel::CommandLine line;
  std::string error;
  if (!vornel::parse_command_line(args, letters, &line, &error)) {
    vornel::complain(error);
    return usage();
  }
  if (command == "outcomes")
    return line.operands.size() == 1 ? vornel::outcomes_command(line) : usage();
  if (command == "archive") {
    return line.operands.empty() || line.operands.size() > 2 ? usage()
                                                             : vornel::archive_command(line);
  }
  if (command == "jobs") return line.operands.empty() ? usage() : vornel::jobs_command(line);
  bool cut = false;
  for (const vornel::CommandOption& option : line.options) cut = cut || option.name == 'o';
  if (cut) return vornel::cut_command(line);
  if (line.operands.size() != 1) return usage();
  return vornel::list_groups_command(line.operands[0]);
}
