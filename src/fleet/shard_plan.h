#ifndef VORNEL_FLEET_SHARD_PLAN_H_
#define VORNEL_FLEET_SHARD_PLAN_H_

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/site_map.h"
#include "fleet/waves.h"

namespace vornel {

// A batch list cut into shards of whole groups, for running several Vornels
// side by side (vornel-shard). The groups come from read_target_list, so a
// shard holds exactly the pieces Vornel reads.
struct PlannedGroup {
  long line = 0;   // of its opening piece in the list
  long begin = 0;  // its bytes in the list: [begin, end)
  long end = 0;
  std::string address;
  std::string ini_file_name;
  std::string user_name;
  std::string password;
  std::string refusal;  // why Vornel refuses it, or empty
  std::string site;     // the hosts that reach it, joined by ','; empty without a map
  int shard = 0;        // 1 and up; 0 when it goes nowhere
  long shard_line = 0;  // line of its opening in its shard's list
  int wave = 1;         // the wave it belongs to, 1 and up
};

struct Shard {
  std::string site;
  std::vector<std::size_t> groups;  // indices into ShardPlan::groups, in list order
  int wave = 1;
};

struct ShardPlan {
  std::string file_name;             // the list's, as it is named in messages
  std::vector<PlannedGroup> groups;  // every group in list order
  std::vector<Shard> shards;         // shard N is shards[N - 1]
};

// Reads every group of the list, refused ones included.
void collect_groups(std::FILE* list, const char* file_name, ShardPlan* plan);

// Gives each device a site from map (when given) and a wave, and puts the
// groups into shards of one site and one wave each. A site's devices (the
// addresses of groups the list reader takes) go into waves in list order, by
// wave_sizes() of the steps over that site's devices, so that every wave
// takes its share from every site; without steps there is one wave. Each
// site's part of a wave gets its share of `wanted` shards (0: one per
// device), at least one and never more than it has devices, and its devices
// go to those shards in turn. A device listed twice stays in one shard, so
// its transfers keep their order; an address only refused groups name goes
// with the wave of the device before it. False with *error when a group no
// host reaches would have to run.
bool cut_into_shards(ShardPlan* plan, int wanted, const SiteMap* map,
                     const std::vector<WaveStep>& steps, std::string* error);

// The text of shard `number`'s list: its groups' bytes as they stand in
// list_text, each begun on a line of its own; sets their shard_line.
std::string shard_list_text(ShardPlan* plan, int number, std::string_view list_text);

}  // namespace vornel

#endif  // VORNEL_FLEET_SHARD_PLAN_H_
