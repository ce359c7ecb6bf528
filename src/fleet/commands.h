#ifndef VORNEL_FLEET_COMMANDS_H_
#define VORNEL_FLEET_COMMANDS_H_

#include <cstdio>
#include <string>

#include "fleet/arguments.h"

namespace vornel {

// vornel-shard's commands. Each takes its options and operands, writes its
// messages to standard output and error, and returns the exit status.

// vornel-shard LIST: one line per group Vornel takes.
int list_groups_command(const std::string& list);

// vornel-shard -o DIR [-n SHARDS] [-k JOBS] [-m MODE] [-S HOSTS] [-M MAP] LIST
int cut_command(const CommandLine& line);

// vornel-shard jobs [-r] DIR [LIVE_HOST...]: the next round's job lines.
int jobs_command(const CommandLine& line);

// vornel-shard outcomes [-i] DIR: the merged summary, results.csv and the
// rerun list; the fleet's exit status.
int outcomes_command(const CommandLine& line);

inline void complain(const std::string& text) {
  std::fprintf(stderr, "vornel-shard: %s\n", text.c_str());
}

}  // namespace vornel

#endif  // VORNEL_FLEET_COMMANDS_H_
