#include "platform/posix/capabilities.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vornel {
namespace {

// The system calls themselves, as libcap would make them: two structs and
// no library to link for it.
constexpr int kCapabilityWords = _LINUX_CAPABILITY_U32S_3;

// Far above any kernel's last capability (40 in Linux 6): the loop over the
// bounding set ends where the kernel says a number is none.
constexpr int kMostCapabilities = 64;

struct CapabilitySets {
  __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[kCapabilityWords] = {};
};

}  // namespace

bool clear_bounding_set(std::string* error) {
  for (int capability = 0; capability < kMostCapabilities; ++capability) {
    int held = prctl(PR_CAPBSET_READ, capability, 0, 0, 0);
    if (held < 0) return true;  // EINVAL: past the kernel's last capability
    if (held == 1 && prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0) {
      *error = std::string("the capability bounding set: ") + std::strerror(errno);
      return false;
    }
  }
  return true;
}

bool drop_capabilities(std::string* error) {
  CapabilitySets sets;
  if (syscall(SYS_capget, &sets.header, sets.data) != 0) {
    *error = std::string("capget: ") + std::strerror(errno);
    return false;
  }
  bool held = false;
  for (__user_cap_data_struct& set : sets.data) {
    held |= (set.permitted | set.effective | set.inheritable) != 0;
    set = {};
  }
  // The kernel also clears the ambient set's bits that leave the permitted set.
  if (held && syscall(SYS_capset, &sets.header, sets.data) != 0) {
    *error = std::string("capset: ") + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace vornel
