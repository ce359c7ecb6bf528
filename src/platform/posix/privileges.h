#ifndef VORNEL_PLATFORM_POSIX_PRIVILEGES_H_
#define VORNEL_PLATFORM_POSIX_PRIVILEGES_H_

#include <string>

namespace vornel {

// Gives up, for good, every privilege the run no longer needs once its ICMP
// socket is open, so that nothing a device sends is parsed with the power
// to administer the machine:
// - a user who is not root keeps no capability (whatever a file capability
//   such as the package's cap_net_raw granted);
// - root started through sudo (SUDO_UID and SUDO_GID naming a user the user
//   database knows, sudo_operator.h), in a working directory that user may
//   make files in, becomes that user: their groups, group and user ids;
// - any other root run keeps uid 0 but no capability: it writes only where
//   the permission bits let root's uid write (a folder of root's).
// Root's bounding set is emptied in both cases, and every run sets
// no_new_privs, so that no program it could run regains anything.
// Returns false, with *error saying why, when the kernel refused a step:
// the run must then not go on.
// REQUIRES: the process has one thread.
bool give_up_privileges(std::string* error);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_POSIX_PRIVILEGES_H_
