#include <cstdio>
#include <map>

#include "fleet/commands.h"
#include "fleet/workdir.h"

namespace vornel {

int jobs_command(const CommandLine& line) {
  if (line.operands.empty()) return 2;
  bool retry = !line.options.empty();  // -r, the only option
  std::filesystem::path dir = line.operands[0];
  RoundHistory history;
  std::vector<int> shards;
  std::vector<std::string> sites;
  std::string error;
  if (!read_round_history(dir, &history, &error) ||
      !read_shard_table(dir, &shards, &sites, &error)) {
    complain(error);
    return 2;
  }
  std::vector<FleetHost> hosts;
  std::set<int> live;
  if (!read_host_table(dir, &hosts)) live.insert(0);  // the shards run here
  for (std::size_t i = 1; i < line.operands.size(); ++i) {
    int index;
    if (!parse_number(line.operands[i], &index)) {
      complain("jobs: " + line.operands[i] + " is not the index of a host");
      return 2;
    }
    live.insert(index);
  }

  std::map<int, std::string> site_of;
  for (std::size_t i = 0; i < shards.size(); ++i) site_of[shards[i]] = sites[i];
  std::vector<int> pending = pending_shards(history, retry);
  std::vector<std::string> pending_sites;
  for (int shard : pending) pending_sites.push_back(site_of[shard]);
  for (const std::string& job : job_lines(pending, pending_sites, hosts, live))
    std::printf("%s\n", job.c_str());
  return 0;
}

}  // namespace vornel
