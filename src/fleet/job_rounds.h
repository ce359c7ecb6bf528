#ifndef VORNEL_FLEET_JOB_ROUNDS_H_
#define VORNEL_FLEET_JOB_ROUNDS_H_

#include <set>
#include <string>
#include <vector>

#include "fleet/hosts.h"

namespace vornel {

// Which shards the next round of a run on ssh hosts sends out. Each round
// goes to the hosts that let the runner in at its start. A shard whose
// Vornel finished is done; one that never began on a host goes out again;
// one that began but did not finish (its host was lost) may have worked its
// first devices, so it goes out once more only when the operator asked for
// that (retry), and never a third time.
struct RoundHistory {
  std::vector<int> shards;             // every shard, in order
  std::set<int> finished;              // those with an exit status
  std::vector<std::set<int>> started;  // per round so far: the shards that began
};

std::vector<int> pending_shards(const RoundHistory& history, bool retry);

// The job lines of a round for GNU parallel: "N", or with a site map
// "N@hI+hJ", I and J being the indices into hosts of the live hosts of the
// shard's site (parallel's host groups), so that a shard goes only to a host
// that reaches its devices. A shard without a live host gets no line.
// sites: the site of each of `shards`, as in shards.tsv (empty without a map).
std::vector<std::string> job_lines(const std::vector<int>& shards,
                                   const std::vector<std::string>& sites,
                                   const std::vector<FleetHost>& hosts, const std::set<int>& live);

}  // namespace vornel

#endif  // VORNEL_FLEET_JOB_ROUNDS_H_
