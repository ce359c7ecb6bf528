#ifndef VORNEL_FLEET_HOST_SESSIONS_H_
#define VORNEL_FLEET_HOST_SESSIONS_H_

#include <filesystem>
#include <string>
#include <vector>

#include "fleet/hosts.h"

namespace vornel {

// The ssh side of a run on hosts: one connection per host (an ssh control
// master), shared by every transfer and job of the run, and a folder of the
// run's on every host, inside one that only the login can enter. Kept in
// the working folder (ssh.tsv) from the first round to the clean-up.
struct HostSessions {
  std::vector<std::string> ssh;  // the ssh command's words, control options included
  std::string sockets;           // the control masters' socket folder, here
  std::string remote_work;       // the run's folder on every host, from the login's home
  std::vector<int> prepared;     // hosts (indices into hosts.tsv) where it was made
};

// Makes the sessions of a new run: $PARALLEL_SSH (or ssh) with control
// options, a fresh socket folder in /tmp (a socket's path must stay short),
// and the run's folder's name. False with *error.
bool begin_host_sessions(HostSessions* sessions, std::string* error);

bool write_host_sessions(const std::filesystem::path& dir, const HostSessions& sessions);
bool read_host_sessions(const std::filesystem::path& dir, HostSessions* sessions);

// The ssh command as one string, for GNU parallel's --ssh.
std::string ssh_command_line(const HostSessions& sessions);

// What ssh is given for a host: its login, or ssh://login with a port.
std::string ssh_destination(const FleetHost& host);

// Runs command on each of the hosts `which` (indices into hosts), all at
// once, and waits for all; per host of `which`, whether it ran and ended
// with status 0. Their output is dropped.
std::vector<bool> on_hosts(const HostSessions& sessions, const std::vector<FleetHost>& hosts,
                           const std::vector<int>& which, const std::string& command);

// The commands the run sends.
std::string prepare_command(const HostSessions& sessions);   // makes the run's folder
std::string stop_command(const HostSessions& sessions);      // makes its stop file
std::string cleanup_command(const HostSessions& sessions);   // removes the run's folder

// Ends the control masters and removes the socket folder.
void end_host_sessions(const HostSessions& sessions, const std::vector<FleetHost>& hosts);

}  // namespace vornel

#endif  // VORNEL_FLEET_HOST_SESSIONS_H_
