#ifndef VORNEL_FLEET_CUT_H_
#define VORNEL_FLEET_CUT_H_

#include <cstddef>
#include <string>
#include <vector>

#include "fleet/hosts.h"
#include "fleet/waves.h"

namespace vornel {

// A batch list cut into a fleet's working folder (layout.h): its private
// copy, a folder per shard with the shard's list and, for an upload, the
// INI files its groups name, and the tables the later steps read.
struct CutRequest {
  std::string dir;   // made when missing; a link or a folder holding anything is refused
  std::string list;  // the batch list; the INI files are taken from its folder
  bool upload = true;
  int shards = 0;  // 0: eight a job slot, or one a device without -k or hosts
  int jobs = 0;    // 0: not given
  std::string hosts;     // -S: entries joined by ',', or @FILE
  std::string site_map;  // -M
  std::vector<WaveStep> waves;
};

struct CutResult {
  std::size_t groups = 0;
  std::size_t shards = 0;
  int waves = 1;
  std::vector<FleetHost> hosts;
};

// False with *error (one or more lines) and the folder as it was before.
bool cut_list(const CutRequest& request, CutResult* cut, std::string* error);

// Says each line of error as vornel-shard's complaint; returns 2.
int complain_lines(const std::string& error);

}  // namespace vornel

#endif  // VORNEL_FLEET_CUT_H_
