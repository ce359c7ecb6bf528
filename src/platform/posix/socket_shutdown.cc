#include "platform/socket_shutdown.h"

#include <sys/socket.h>

namespace vornel {

void shut_down_socket(curl_socket_t socket) { shutdown(socket, SHUT_RDWR); }

}  // namespace vornel
