#ifndef VORNEL_PLATFORM_SOCKET_SHUTDOWN_H_
#define VORNEL_PLATFORM_SOCKET_SHUTDOWN_H_

#include <curl/curl.h>

namespace vornel {

// Ends both directions of a connected socket that libcurl still owns (and
// will close): any later send or receive on it fails at once.
void shut_down_socket(curl_socket_t socket);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_SOCKET_SHUTDOWN_H_
