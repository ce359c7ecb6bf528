// Entry point of the integration test binary. Every test process moves into a
// network namespace of its own before any test runs, so the FTP servers and
// ICMP traffic of a test reach only loopback addresses that nothing else on
// the machine can see, and CTest can run the tests side by side (each gets a
// fresh namespace, so each may listen on 127.0.0.1:21).
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "integration/netns.h"

namespace vornel::testing {
namespace {

const char* g_skip_reason = nullptr;

bool bring_loopback_up() {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  struct ifreq request = {};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  bool ok = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
  request.ifr_flags |= IFF_UP | IFF_RUNNING;
  ok = ok && ioctl(fd, SIOCSIFFLAGS, &request) == 0;
  close(fd);
  return ok;
}

}  // namespace

const char* netns_skip_reason() { return g_skip_reason; }

}  // namespace vornel::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (geteuid() != 0) {
    vornel::testing::g_skip_reason =
        "needs root: the test creates a private network namespace (run as root, as CI does)";
  } else if (unshare(CLONE_NEWNET) != 0) {
    vornel::testing::g_skip_reason = "unshare(CLONE_NEWNET) failed: no private network namespace";
  } else if (!vornel::testing::bring_loopback_up()) {
    vornel::testing::g_skip_reason = "could not bring up loopback in the private namespace";
  }
  return RUN_ALL_TESTS();
}
