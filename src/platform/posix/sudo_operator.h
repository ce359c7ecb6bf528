#ifndef VORNEL_PLATFORM_POSIX_SUDO_OPERATOR_H_
#define VORNEL_PLATFORM_POSIX_SUDO_OPERATOR_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <optional>
#include <vector>

namespace vornel {

// The user who started a run as root through sudo, as the user database
// knows them.
struct SudoOperator {
  uid_t uid = 0;
  gid_t gid = 0;              // the group sudo named, one of groups
  std::vector<gid_t> groups;  // every group the database gives the user
};

// The user that sudo's SUDO_UID and SUDO_GID (uid_text, gid_text; null when
// unset) name. The environment alone is not taken on trust: each must be a
// plain decimal number, the uid a user of the user database other than root,
// and the gid one of that user's groups there. nullopt otherwise.
std::optional<SudoOperator> sudo_operator(const char* uid_text, const char* gid_text);

// True when op may make files in the folder of status folder by its
// permission bits (write and search, from the owner's, the group's or
// everyone's bits, the way the kernel picks them).
bool may_make_files_in(const struct stat& folder, const SudoOperator& op);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_POSIX_SUDO_OPERATOR_H_
