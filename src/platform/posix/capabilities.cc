#include "platform/posix/capabilities.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace vornel {
namespace {

// The system calls themselves, as libcap would make them: two structs and
// no library to link for it.
constexpr int kCapabilityWords = _LINUX_CAPABILITY_U32S_3;

struct CapabilitySets {
  __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[kCapabilityWords] = {};
};

std::uint32_t kept_in_word(int word, bool root) {
  std::uint32_t kept = root ? ~0u : 0u;
  if (word == CAP_TO_INDEX(CAP_NET_RAW)) kept &= ~CAP_TO_MASK(CAP_NET_RAW);
  return kept;
}

}  // namespace

bool drop_capabilities(std::string* error) {
  CapabilitySets sets;
  if (syscall(SYS_capget, &sets.header, sets.data) != 0) {
    *error = std::string("capget: ") + std::strerror(errno);
    return false;
  }
  const bool root = geteuid() == 0;
  bool changed = false;
  for (int word = 0; word < kCapabilityWords; ++word) {
    std::uint32_t kept = kept_in_word(word, root);
    __user_cap_data_struct& set = sets.data[word];
    changed |= ((set.permitted | set.effective | set.inheritable) & ~kept) != 0;
    set.permitted &= kept;
    set.effective &= kept;
    set.inheritable &= kept;
  }
  // The kernel also clears the ambient set's bits that leave the permitted set.
  if (changed && syscall(SYS_capset, &sets.header, sets.data) != 0) {
    *error = std::string("capset: ") + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace vornel
