// vornel-shard: the fleet's reader and writer of lists, records and the
// working folder; vornel-fleet feeds GNU parallel what it says, and
// everything that reads or judges is here. The groups come from Vornel's
// own list reader and the outcomes from the records vornel-batch writes,
// so no second copy of either can drift. Its subcommands are one table.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fleet/arguments.h"
#include "fleet/commands.h"
#include "platform/private_files.h"

namespace {

struct Subcommand {
  const char* name;
  const char* usage;    // after "vornel-shard NAME"
  const char* letters;  // its option letters, as getopt's; W stands for --waves
  std::size_t fewest;   // operands
  std::size_t most;
  int (*run)(const vornel::CommandLine& line);
};

// A bare LIST lists its groups; -o DIR cuts it (both without a name).
int list_or_cut(const vornel::CommandLine& line) {
  for (const vornel::CommandOption& option : line.options) {
    if (option.name == 'o') return vornel::cut_command(line);
  }
  return vornel::list_groups_command(line.operands[0]);
}

constexpr Subcommand kSubcommands[] = {
    {"", "LIST  |  -o DIR [-n SHARDS] [-k JOBS] [-m MODE] [-S HOSTS|@FILE] [-M SITEMAP]"
         " [--waves STEPS] LIST",
     "o:n:k:m:S:M:W:", 1, 1, list_or_cut},
    {"outcomes", "[-i] [-A ARCHIVE] DIR", "iA:", 1, 1, vornel::outcomes_command},
    {"report", "DIR", "", 1, 1, vornel::report_command},
    {"archive", "ARCHIVE [WORKDIR]", "", 1, 2, vornel::archive_command},
    {"round", "DIR", "", 1, 1, vornel::round_command},
    {"watch", "DIR", "", 1, 1, vornel::watch_command},
    {"finish", "[-i STATUS] DIR", "i:", 1, 1, vornel::finish_command},
};

int usage() {
  for (const Subcommand& command : kSubcommands) {
    std::fprintf(stderr, "%s vornel-shard %s%s%s\n", &command == kSubcommands ? "usage:" : "      ",
                 command.name, *command.name ? " " : "", command.usage);
  }
  std::fputs("       vornel-shard start VORNEL-FLEET-ARGUMENTS\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // The shards, tables and copies hold every device's password.
  vornel::make_new_files_private();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : argc), argv + argc);
  std::string program = argc > 0 ? argv[0] : "vornel-shard";
  // vornel-fleet's own arguments, read by its own rules.
  if (!args.empty() && args[0] == "start")
    return vornel::start_command(program, std::vector<std::string>(args.begin() + 1, args.end()));
  const Subcommand* command = &kSubcommands[0];
  for (const Subcommand& known : kSubcommands) {
    if (*known.name && !args.empty() && args[0] == known.name) command = &known;
  }
  if (*command->name) args.erase(args.begin());
  vornel::CommandLine line;
  std::string error;
  if (!vornel::parse_command_line(args, command->letters, &line, &error, {{"waves", 'W'}})) {
    vornel::complain(error);
    return usage();
  }
  if (line.operands.size() < command->fewest || line.operands.size() > command->most)
    return usage();
  return command->run(line);
}
