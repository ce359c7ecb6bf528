#include "platform/socket_shutdown.h"

#include <winsock2.h>

namespace vornel {

void shut_down_socket(curl_socket_t socket) { shutdown(socket, SD_BOTH); }

}  // namespace vornel
