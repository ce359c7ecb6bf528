#include "platform/socket_shutdown.h"

#include <sys/socket.h>

namespace vornel {

void shut_down_socket(NativeSocket socket) { shutdown(static_cast<int>(socket), SHUT_RDWR); }

}  // namespace vornel
