#ifndef VORNEL_FLEET_TABLES_H_
#define VORNEL_FLEET_TABLES_H_

#include <string>
#include <string_view>
#include <vector>

#include "base/whole_file.h"
#include "fleet/hosts.h"
#include "fleet/shard_plan.h"

namespace vornel {

// The tab-separated tables vornel-shard leaves in a fleet's working folder,
// one row a line, for its own later steps (round, outcomes) and the operator:
//   groups.tsv  per group in list order: shard, address, line in the list,
//               line in the shard's list, INI file, why it is refused, its
//               bytes in the list [begin, end), and its wave
//   shards.tsv  per shard: number, site (the hosts that reach its devices),
//               wave
//   hosts.tsv   per ssh host of -S: login, parallel's --sshlogin entry
// A tab or line end inside a field (a list named so, in a refusal) is
// written as a blank, so every row stays one line.
std::string group_row(const PlannedGroup& group);
bool parse_group_row(std::string_view row, PlannedGroup* group);

std::string shard_row(int number, const Shard& shard);
bool parse_shard_row(std::string_view row, int* number, Shard* shard);

std::string host_row(const FleetHost& host);
bool parse_host_row(std::string_view row, FleetHost* host);

// What GNU parallel's --joblog says about one job of a round on the hosts:
// the shard (its command begins ": N;"), the host and the job's exit value
// (255: ssh lost the host).
struct JobRecord {
  int shard = 0;
  std::string host;
  int exit_value = 0;
};
bool parse_job_row(std::string_view row, JobRecord* job);

// A line of a round's started-R.txt ("N<TAB>started", parallel's --tag of
// the line a job prints on its host before Vornel starts).
bool parse_started_row(std::string_view row, int* shard);

}  // namespace vornel

#endif  // VORNEL_FLEET_TABLES_H_
