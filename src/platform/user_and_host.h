#ifndef VORNEL_PLATFORM_USER_AND_HOST_H_
#define VORNEL_PLATFORM_USER_AND_HOST_H_

#include <string>

namespace vornel {

// Who runs this process, as the system knows it (not as the environment
// says): the user's login name, or the user number where there is no name;
// empty when neither can be had.
std::string user_name();

// This machine's host name; empty when it can't be had.
std::string host_name();

}  // namespace vornel

#endif  // VORNEL_PLATFORM_USER_AND_HOST_H_
