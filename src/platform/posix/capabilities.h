#ifndef VORNEL_PLATFORM_POSIX_CAPABILITIES_H_
#define VORNEL_PLATFORM_POSIX_CAPABILITIES_H_

#include <string>

namespace vornel {

// Empties the capability bounding set, so that nothing this process runs
// (root's programs included) can gain a capability again. Returns false,
// with *error saying why, when the kernel refused (the process lacks
// CAP_SETPCAP). Nothing is asked of the kernel when the set is empty already.
bool clear_bounding_set(std::string* error);

// Gives up, for good, every capability: the permitted, effective and
// inheritable sets become empty (and so the ambient set), whoever the user:
// root's included, and whatever a file capability such as the package's
// cap_net_raw granted. Nothing is changed when nothing is held. Returns
// false, with *error saying why, when the kernel refused.
// REQUIRES: the process has one thread. Capabilities belong to each thread;
// threads started later inherit the reduced sets.
bool drop_capabilities(std::string* error);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_POSIX_CAPABILITIES_H_
