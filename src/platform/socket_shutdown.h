#ifndef VORNEL_PLATFORM_SOCKET_SHUTDOWN_H_
#define VORNEL_PLATFORM_SOCKET_SHUTDOWN_H_

#include <cstdint>

namespace vornel {

// A connected socket as the system names it: a descriptor on POSIX systems,
// a SOCKET on Windows; wide enough for both.
using NativeSocket = std::uintptr_t;

// Ends both directions of a connected socket that someone else still owns
// (and will close): any later send or receive on it fails at once.
void shut_down_socket(NativeSocket socket);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_SOCKET_SHUTDOWN_H_
