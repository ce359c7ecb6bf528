// Who a run as root under sudo may become: the user that SUDO_UID and
// SUDO_GID name only when the user database agrees, and only in a folder
// that user may make files in, by the bits the kernel would look at.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>

#include <string>

#include "platform/posix/sudo_operator.h"

namespace vornel {
namespace {

TEST(SudoOperator, TakenFromTheEnvironmentOnlyWhenTheUserDatabaseAgrees) {
  const passwd* nobody = getpwnam("nobody");
  if (nobody == nullptr) GTEST_SKIP() << "there is no user nobody";
  const std::string uid = std::to_string(nobody->pw_uid);
  const std::string gid = std::to_string(nobody->pw_gid);
  uid_t unknown = 4242;
  while (getpwuid(unknown) != nullptr) ++unknown;
  const std::string unknown_uid = std::to_string(unknown);
  const std::string kUnset = "(unset)";
  struct Row {
    std::string uid;
    std::string gid;
    bool taken;
  };
  const Row rows[] = {
      {uid, gid, true},
      {kUnset, gid, false},
      {uid, kUnset, false},
      {"", gid, false},
      {"0", "0", false},          // root is no operator to become
      {unknown_uid, gid, false},  // no such user
      {uid, "0", false},          // not one of the user's groups
      {uid + "x", gid, false},
      {"+" + uid, gid, false},
      {" " + uid, gid, false},
      {"4294967295", gid, false},  // (uid_t)-1: "unchanged" to the system
      {"1000000000" + uid, gid, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.uid + " " + row.gid);
    std::optional<SudoOperator> op = sudo_operator(row.uid == kUnset ? nullptr : row.uid.c_str(),
                                                   row.gid == kUnset ? nullptr : row.gid.c_str());
    ASSERT_EQ(op.has_value(), row.taken);
    if (!op) continue;
    EXPECT_EQ(op->uid, nobody->pw_uid);
    EXPECT_EQ(op->gid, nobody->pw_gid);
  }
}

TEST(SudoOperator, MayMakeFilesWhereTheKernelsChoiceOfBitsAllows) {
  const SudoOperator op{.uid = 1000, .gid = 1000, .groups = {1000, 27}};
  struct Row {
    uid_t owner;
    gid_t group;
    mode_t mode;
    bool may;
  };
  const Row rows[] = {
      {1000, 1000, S_IFDIR | 0700, true},
      {1000, 1000, S_IFDIR | 0500, false},  // no write
      {1000, 1000, S_IFDIR | 0600, false},  // no search
      {1000, 27, S_IFDIR | 0077, false},    // the owner's bits count, not the group's
      {0, 27, S_IFDIR | 0770, true},
      {0, 27, S_IFDIR | 0707, false},  // the group's bits count, not everyone's
      {0, 0, S_IFDIR | 0777, true},
      {0, 0, S_IFDIR | 0755, false},
      {1000, 1000, S_IFREG | 0700, false},  // no folder
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.owner) + ":" + std::to_string(row.group) + " " +
                 std::to_string(row.mode & 07777));
    struct stat folder = {};
    folder.st_uid = row.owner;
    folder.st_gid = row.group;
    folder.st_mode = row.mode;
    EXPECT_EQ(may_make_files_in(folder, op), row.may);
  }
}

}  // namespace
}  // namespace vornel
