#ifndef VORNEL_FLEET_HOSTS_H_
#define VORNEL_FLEET_HOSTS_H_

#include <string>
#include <string_view>
#include <vector>

namespace vornel {

// The ssh hosts a fleet runs its shards on (vornel-fleet -S): GNU parallel's
// --sshlogin entries, "LOGIN" or "JOBS/LOGIN".
struct FleetHost {
  std::string login;  // what ssh is given, e.g. operator@north
  std::string entry;  // "JOBS/LOGIN", for parallel's --sshlogin
  int jobs = 0;       // how many Vornels run there at once
};

// Reads the hosts from a comma-separated list, or from the text of a file of
// them (one a line; '#' lines and blank lines skipped). A host without a
// count gets default_jobs. False with *error when the list names no host or
// an entry is unsafe or unusable: a login that begins with '-' (ssh and
// parallel would take it for an option, -oProxyCommand=... runs a command
// here), one holding a blank or a control character (parallel would run the
// words before the last one as the ssh command), ':' (parallel's name for
// this machine), an empty login or a count of 0.
bool parse_hosts(std::string_view text, bool from_file, int default_jobs,
                 std::vector<FleetHost>* hosts, std::string* error);

}  // namespace vornel

#endif  // VORNEL_FLEET_HOSTS_H_
