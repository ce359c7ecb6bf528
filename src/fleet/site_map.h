#ifndef VORNEL_FLEET_SITE_MAP_H_
#define VORNEL_FLEET_SITE_MAP_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vornel {

// Which host works which devices, for a fleet whose sites are each reachable
// only from a host inside them. One line per host:
//   HOST ADDRESS-OR-PREFIX...
// where an entry is a dotted-decimal address (a.b.c.d) or a prefix
// (a.b.c.d/n); '#' starts a note, blank lines are skipped. A host may have
// several lines, and a device matched by the lines of several hosts may go to
// any of them.
struct SiteEntry {
  std::string host;
  uint32_t network = 0;
  int prefix_length = 32;
};

struct SiteMap {
  std::vector<SiteEntry> entries;
};

// Reads the map. False with *error naming the line when a host is no login
// that -S would take (login_refusal) or an entry is not an address or prefix.
bool read_site_map(std::FILE* file, const char* file_name, SiteMap* map, std::string* error);

// The hosts that reach address, sorted, each once; none when no entry matches
// or address is not a plain dotted-decimal IPv4 address (one Vornel would
// connect to).
std::vector<std::string> hosts_reaching(const SiteMap& map, std::string_view address);

}  // namespace vornel

#endif  // VORNEL_FLEET_SITE_MAP_H_
