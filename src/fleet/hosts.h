#ifndef VORNEL_FLEET_HOSTS_H_
#define VORNEL_FLEET_HOSTS_H_

#include <optional>
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

// Why login is no "[user@]host[:port]" that may be handed to ssh and GNU
// parallel, as words after the login; nothing when it is one. GNU parallel
// puts a login into a command line of a shell here, and ssh takes a word
// that begins with '-' for an option (-oProxyCommand=... runs a command
// here), so only this is taken: user and host of letters, digits, '.', '_'
// and '-', the user not beginning with '-', the host beginning with a letter
// or a digit, and a port of 1 to 65535. ':' alone (parallel's name for this
// machine) and IPv6 addresses are not taken either; a name of the ssh
// configuration (Host) reaches anything else.
std::optional<std::string> login_refusal(std::string_view login);

// Reads the hosts from a comma-separated list, or from the text of a file of
// them (one a line; '#' lines and blank lines skipped). A host without a
// count gets default_jobs. False with *error when the list names no host, a
// login is refused (login_refusal) or a count is 0.
bool parse_hosts(std::string_view text, bool from_file, int default_jobs,
                 std::vector<FleetHost>* hosts, std::string* error);

}  // namespace vornel

#endif  // VORNEL_FLEET_HOSTS_H_
