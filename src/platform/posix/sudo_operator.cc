#include "platform/posix/sudo_operator.h"

#include <grp.h>
#include <pwd.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace vornel {
namespace {

// Room for the user database's entry of one user.
constexpr std::size_t kEntryBuffer = 16384;

// Far above any user's count of groups (the kernel's limit is 65536).
constexpr int kMostGroups = 65536;

// A plain decimal id: digits only, no sign or blank, below (uid_t)-1,
// which the system calls take for "leave as it is".
bool parse_id(const char* text, std::uint32_t* id) {
  if (text == nullptr || *text == '\0') return false;
  std::uint64_t value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9' || c - text >= 10) return false;
    value = value * 10 + static_cast<std::uint64_t>(*c - '0');
  }
  if (value >= UINT32_MAX) return false;
  *id = static_cast<std::uint32_t>(value);
  return true;
}

bool user_groups(const char* name, gid_t primary, std::vector<gid_t>* groups) {
  int count = 32;
  for (;;) {
    groups->resize(static_cast<std::size_t>(count));
    int wanted = count;
    if (getgrouplist(name, primary, groups->data(), &wanted) >= 0) {
      groups->resize(static_cast<std::size_t>(wanted));
      return true;
    }
    if (wanted <= count || wanted > kMostGroups) return false;
    count = wanted;
  }
}

}  // namespace

std::optional<SudoOperator> sudo_operator(const char* uid_text, const char* gid_text) {
  std::uint32_t uid = 0;
  std::uint32_t gid = 0;
  if (!parse_id(uid_text, &uid) || !parse_id(gid_text, &gid) || uid == 0) return std::nullopt;
  passwd entry;
  passwd* found = nullptr;
  std::vector<char> buffer(kEntryBuffer);
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
    return std::nullopt;
  SudoOperator op;
  op.uid = uid;
  op.gid = gid;
  if (!user_groups(entry.pw_name, entry.pw_gid, &op.groups) ||
      std::find(op.groups.begin(), op.groups.end(), op.gid) == op.groups.end())
    return std::nullopt;
  return op;
}

bool may_make_files_in(const struct stat& folder, const SudoOperator& op) {
  if (!S_ISDIR(folder.st_mode)) return false;
  mode_t bits = folder.st_mode & S_IRWXO;
  if (folder.st_uid == op.uid) {
    bits = (folder.st_mode & S_IRWXU) >> 6;
  } else if (std::find(op.groups.begin(), op.groups.end(), folder.st_gid) != op.groups.end()) {
    bits = (folder.st_mode & S_IRWXG) >> 3;
  }
  return (bits & (S_IWOTH | S_IXOTH)) == (S_IWOTH | S_IXOTH);
}

}  // namespace vornel
