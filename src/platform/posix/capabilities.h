#ifndef VORNEL_PLATFORM_POSIX_CAPABILITIES_H_
#define VORNEL_PLATFORM_POSIX_CAPABILITIES_H_

#include <string>

namespace vornel {

// Gives up, for good, the capabilities that this process needs no longer
// once its ICMP socket is open: from the permitted, effective and inheritable
// sets. A process whose effective user is not root keeps none (whatever a
// file capability such as the package's cap_net_raw granted it); root keeps
// its own, all but CAP_NET_RAW, as it may need them to write where only root
// can. Nothing is changed when nothing is to be given up.
// Returns false, with *error saying why, when the kernel refused.
// REQUIRES: the process has one thread. Capabilities belong to each thread;
// threads started later inherit the reduced sets.
bool drop_capabilities(std::string* error);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_POSIX_CAPABILITIES_H_
