#include "platform/posix/privileges.h"

#include <grp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/posix/capabilities.h"
#include "platform/posix/sudo_operator.h"

namespace vornel {
namespace {

bool failed(const char* step, std::string* error) {
  *error = std::string(step) + ": " + std::strerror(errno);
  return false;
}

// The operator's groups, then group, then user: once the user ids are all
// theirs, the kernel empties the capability sets too. Checked afterwards,
// as a call that half worked must not pass for a change of user.
bool become(const SudoOperator& op, std::string* error) {
  if (setgroups(op.groups.size(), op.groups.data()) != 0) return failed("setgroups", error);
  if (setresgid(op.gid, op.gid, op.gid) != 0) return failed("setresgid", error);
  if (setresuid(op.uid, op.uid, op.uid) != 0) return failed("setresuid", error);
  uid_t real, effective, saved;
  gid_t real_group, effective_group, saved_group;
  if (getresuid(&real, &effective, &saved) != 0 ||
      getresgid(&real_group, &effective_group, &saved_group) != 0 || real != op.uid ||
      effective != op.uid || saved != op.uid || real_group != op.gid || effective_group != op.gid ||
      saved_group != op.gid) {
    *error = "the user ids did not change";
    return false;
  }
  return true;
}

// The user who ran sudo, when there is one and the run may become them.
std::optional<SudoOperator> operator_to_become() {
  std::optional<SudoOperator> op = sudo_operator(std::getenv("SUDO_UID"), std::getenv("SUDO_GID"));
  struct stat folder;
  if (!op || stat(".", &folder) != 0 || !may_make_files_in(folder, *op)) return std::nullopt;
  return op;
}

}  // namespace

bool give_up_privileges(std::string* error) {
  if (geteuid() == 0) {
    std::optional<SudoOperator> op = operator_to_become();
    // The bounding set first: emptying it takes CAP_SETPCAP, held until the
    // change of user or the drop below.
    if (!clear_bounding_set(error)) return false;
    if (op && !become(*op, error)) return false;
  }
  if (!drop_capabilities(error)) return false;
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return failed("no_new_privs", error);
  return true;
}

}  // namespace vornel
