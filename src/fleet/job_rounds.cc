#include "fleet/job_rounds.h"

namespace vornel {

std::vector<int> pending_shards(const RoundHistory& history, bool retry) {
  std::vector<int> pending;
  for (int shard : history.shards) {
    if (!history.finished.count(shard)) pending.push_back(shard);
  }
  std::set<int> retried;
  for (const std::set<int>& started : history.started) {
    std::vector<int> next;
    for (int shard : pending) {
      if (!started.count(shard)) {
        next.push_back(shard);
      } else if (retry && retried.insert(shard).second) {
        next.push_back(shard);
      }
    }
    pending.swap(next);
  }
  return pending;
}

std::vector<std::string> job_lines(const std::vector<int>& shards,
                                   const std::vector<std::string>& sites,
                                   const std::vector<FleetHost>& hosts, const std::set<int>& live) {
  std::vector<std::string> lines;
  if (live.empty()) return lines;
  for (std::size_t i = 0; i < shards.size(); ++i) {
    const std::string& site = i < sites.size() ? sites[i] : std::string();
    if (site.empty()) {
      lines.push_back(std::to_string(shards[i]));
      continue;
    }
    std::string tags;
    for (int index : live) {
      if (index < 0 || static_cast<std::size_t>(index) >= hosts.size()) continue;
      if (("," + site + ",").find("," + hosts[index].login + ",") == std::string::npos) continue;
      tags += (tags.empty() ? "h" : "+h") + std::to_string(index);
    }
    if (!tags.empty()) lines.push_back(std::to_string(shards[i]) + "@" + tags);
  }
  return lines;
}

}  // namespace vornel
