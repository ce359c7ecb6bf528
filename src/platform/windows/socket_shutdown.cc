#include "platform/socket_shutdown.h"

#include <winsock2.h>

namespace vornel {

void shut_down_socket(NativeSocket socket) { shutdown(static_cast<SOCKET>(socket), SD_BOTH); }

}  // namespace vornel
