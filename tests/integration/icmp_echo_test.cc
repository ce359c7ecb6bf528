// The ICMP echo facility against the kernel of a private network namespace.
// Every address used is a loopback address of that namespace, or one it has
// no route to, so nothing can leave it.
#include "platform/posix/icmp_echo.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <net/if.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "integration/netns.h"
#include "platform/interrupt.h"
#include "platform/posix/capabilities.h"

namespace vornel {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr const char* kLoopback = "127.0.0.1";
// Local like every 127/8 address, but the rules below make it fall silent or
// refuse echo requests.
constexpr const char* kFiltered = "127.0.0.9";

long long elapsed_ms(steady_clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(steady_clock::now() - start).count();
}

// Applies an nft verdict to echo requests for kFiltered as they arrive. The
// input hook, not output: a verdict there would fail sendto() with EPERM
// before the request ever reached the wire.
void filter_echo_requests_to_filtered_address(const std::string& verdict) {
  ASSERT_EQ(0, std::system("nft add table ip vornel_echo"));
  ASSERT_EQ(0, std::system("nft add chain ip vornel_echo in "
                           "'{ type filter hook input priority 0; }'"));
  std::string rule = "nft add rule ip vornel_echo in ip daddr " + std::string(kFiltered) +
                     " icmp type echo-request " + verdict;
  ASSERT_EQ(0, std::system(rule.c_str()));
}

void allow_datagram_icmp_sockets() {
  ASSERT_EQ(0, std::system("sysctl -q -w net.ipv4.ping_group_range='0 2147483647'"));
}

// Read from /proc/self/net, which follows this process into its namespace
// (/sys/class/net keeps showing the namespace sysfs was mounted in).
long long loopback_tx_packets() {
  std::ifstream table("/proc/self/net/dev");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string name;
    fields >> name;
    if (name != "lo:") continue;
    long long value = -1;
    for (int i = 0; i < 10; ++i) fields >> value;  // 8 receive counters, tx bytes, tx packets
    return fields ? value : -1;
  }
  return -1;
}

TEST(EchoIcmp, RawFallbackOpensAndLoopbackAnswersTwentyInARow) {
  VORNEL_REQUIRE_NETNS();
  IcmpEcho echo;
  ASSERT_TRUE(echo.open()) << echo.open_failure_hint();
  EXPECT_EQ(IcmpEcho::kRaw, echo.socket_kind());
  EXPECT_EQ("", echo.open_failure_hint());
  auto start = steady_clock::now();
  for (int i = 0; i < 20; ++i) {
    EchoResult result = echo.echo(kLoopback, 1000);
    ASSERT_EQ(EchoResult::kReply, result.kind) << "echo " << i << " code " << result.code;
  }
  EXPECT_LT(elapsed_ms(start), 500);
  echo.close();
  echo.close();
  EXPECT_EQ(IcmpEcho::kClosed, echo.socket_kind());
  ASSERT_TRUE(echo.open());
  EXPECT_EQ(EchoResult::kReply, echo.echo(kLoopback, 1000).kind);
}

TEST(EchoIcmp, DroppedRequestTimesOutOnTimeWhileOtherEchoesFlow) {
  VORNEL_REQUIRE_NETNS();
  filter_echo_requests_to_filtered_address("drop");
  IcmpEcho echo;
  ASSERT_TRUE(echo.open()) << echo.open_failure_hint();

  // A second prober keeps ICMP arriving on the raw socket during the wait;
  // none of it may end or stretch the wait.
  std::atomic<bool> stop = false;
  std::atomic<int> replies = 0;
  std::thread neighbour([&] {
    IcmpEcho other;
    if (!other.open()) return;
    auto started = steady_clock::now();
    while (!stop && elapsed_ms(started) < 3000) {
      if (other.echo(kLoopback, 200).kind == EchoResult::kReply) ++replies;
      std::this_thread::sleep_for(milliseconds(5));
    }
  });
  auto start = steady_clock::now();
  EchoResult result = echo.echo(kFiltered, 1000);
  long long waited = elapsed_ms(start);
  stop = true;
  neighbour.join();

  EXPECT_EQ(EchoResult::kTimeout, result.kind);
  EXPECT_GE(waited, 900);
  EXPECT_LE(waited, 1500);
  EXPECT_GT(replies, 20) << "the neighbour produced too little traffic to prove anything";
}

std::atomic<int> g_usr1_seen = 0;
extern "C" void note_usr1(int) { ++g_usr1_seen; }

TEST(EchoIcmp, OtherSignalDuringWaitNeitherEndsNorStretchesIt) {
  VORNEL_REQUIRE_NETNS();
  filter_echo_requests_to_filtered_address("drop");
  struct sigaction action = {};
  action.sa_handler = note_usr1;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // poll() must see EINTR
  ASSERT_EQ(0, sigaction(SIGUSR1, &action, nullptr));
  install_interrupt_handlers();
  IcmpEcho echo;
  ASSERT_TRUE(echo.open()) << echo.open_failure_hint();

  pthread_t waiter = pthread_self();
  std::thread signaller([waiter] {
    for (int i = 0; i < 3; ++i) {
      std::this_thread::sleep_for(milliseconds(250));
      pthread_kill(waiter, SIGUSR1);
    }
  });
  auto start = steady_clock::now();
  EchoResult result = echo.echo(kFiltered, 1000);
  long long waited = elapsed_ms(start);
  signaller.join();

  EXPECT_EQ(3, g_usr1_seen);
  EXPECT_EQ(EchoResult::kTimeout, result.kind);
  EXPECT_GE(waited, 900);
  EXPECT_LE(waited, 1500);
}

TEST(EchoIcmp, InterruptDuringWaitEndsTheProcess) {
  VORNEL_REQUIRE_NETNS();
  filter_echo_requests_to_filtered_address("drop");
  // A forked child stays in this namespace, with the rule in place.
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        install_interrupt_handlers();
        IcmpEcho echo;
        if (!echo.open()) std::_Exit(3);
        pthread_t waiter = pthread_self();
        std::thread signaller([waiter] {
          std::this_thread::sleep_for(milliseconds(200));
          pthread_kill(waiter, SIGINT);
        });
        signaller.detach();
        echo.echo(kFiltered, 5000);
        std::_Exit(4);  // the wait ran to its end: the interrupt was lost
      },
      ::testing::ExitedWithCode(128 + SIGINT), "");
}

TEST(EchoIcmp, UnroutedAddressFailsLocallyWithTheSendError) {
  VORNEL_REQUIRE_NETNS();
  // Only loopback exists, so nothing can leave the namespace whatever happens.
  struct if_nameindex* interfaces = if_nameindex();
  ASSERT_NE(nullptr, interfaces);
  ASSERT_NE(nullptr, interfaces[0].if_name);
  EXPECT_STREQ("lo", interfaces[0].if_name);
  EXPECT_EQ(nullptr, interfaces[1].if_name);
  if_freenameindex(interfaces);

  IcmpEcho echo;
  ASSERT_TRUE(echo.open()) << echo.open_failure_hint();
  auto start = steady_clock::now();
  EchoResult result = echo.echo("10.255.255.1", 1000);
  EXPECT_EQ(EchoResult::kFailure, result.kind);
  EXPECT_EQ(ENETUNREACH, result.code);
  EXPECT_LT(elapsed_ms(start), 100);
}

TEST(EchoIcmp, AddressTextThatIsNotIpv4IsABadDestinationAndSendsNothing) {
  VORNEL_REQUIRE_NETNS();
  IcmpEcho echo;
  ASSERT_TRUE(echo.open()) << echo.open_failure_hint();
  long long before = loopback_tx_packets();
  ASSERT_GE(before, 0);
  for (const char* text : {"not.an.address", "", "127.0.0", "127.0.0.256", "::1"}) {
    EchoResult result = echo.echo(text, 1000);
    EXPECT_EQ(EchoResult::kFailure, result.kind) << text;
    EXPECT_EQ(kEchoBadDestination, result.code) << text;
  }
  EXPECT_EQ(before, loopback_tx_packets());
  // The counter does move when something is sent.
  EXPECT_EQ(EchoResult::kReply, echo.echo(kLoopback, 1000).kind);
  EXPECT_LT(before, loopback_tx_packets());
}

TEST(EchoIcmp, RejectedRequestIsHostUnreachable) {
  VORNEL_REQUIRE_NETNS();
  filter_echo_requests_to_filtered_address("reject with icmp type host-unreachable");
  IcmpEcho echo;
  ASSERT_TRUE(echo.open()) << echo.open_failure_hint();
  auto start = steady_clock::now();
  EchoResult result = echo.echo(kFiltered, 1000);
  EXPECT_EQ(EchoResult::kFailure, result.kind);
  EXPECT_EQ(kEchoDestHostUnreachable, result.code);
  EXPECT_LT(elapsed_ms(start), 500);
  // The stale error must not spoil the next echo.
  EXPECT_EQ(EchoResult::kReply, echo.echo(kLoopback, 1000).kind);
}

TEST(EchoIcmp, DatagramSocketIsPreferredWhenTheGroupMayUseIt) {
  VORNEL_REQUIRE_NETNS();
  allow_datagram_icmp_sockets();
  IcmpEcho echo;
  ASSERT_TRUE(echo.open()) << echo.open_failure_hint();
  EXPECT_EQ(IcmpEcho::kDatagram, echo.socket_kind());
  for (int i = 0; i < 5; ++i) {
    EchoResult result = echo.echo(kLoopback, 1000);
    ASSERT_EQ(EchoResult::kReply, result.kind) << "echo " << i << " code " << result.code;
  }
}

TEST(EchoIcmp, DatagramSocketReportsRejectionFromItsErrorQueue) {
  VORNEL_REQUIRE_NETNS();
  allow_datagram_icmp_sockets();
  filter_echo_requests_to_filtered_address("reject with icmp type port-unreachable");
  IcmpEcho echo;
  ASSERT_TRUE(echo.open()) << echo.open_failure_hint();
  ASSERT_EQ(IcmpEcho::kDatagram, echo.socket_kind());
  EchoResult result = echo.echo(kFiltered, 1000);
  EXPECT_EQ(EchoResult::kFailure, result.kind);
  EXPECT_EQ(kEchoDestPortUnreachable, result.code);
  EXPECT_EQ(EchoResult::kReply, echo.echo(kLoopback, 1000).kind);
}

// Removes CAP_NET_RAW from the effective set of this (child) process.
bool drop_net_raw() {
  __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  data[CAP_NET_RAW / 32].effective &= ~(1u << (CAP_NET_RAW % 32));
  return syscall(SYS_capset, &header, data) == 0;
}

TEST(EchoIcmp, WithoutAnyIcmpSocketOpenFailsAndSaysHowToAllowOne) {
  VORNEL_REQUIRE_NETNS();
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        if (!drop_net_raw()) std::_Exit(3);
        IcmpEcho echo;
        if (echo.open()) std::_Exit(4);
        std::string hint = echo.open_failure_hint();
        std::fprintf(stderr, "%s\n", hint.c_str());
        bool explains = hint.find("Operation not permitted") != std::string::npos &&
                        hint.find("setcap cap_net_raw+ep") != std::string::npos &&
                        hint.find("ping_group_range") != std::string::npos;
        std::_Exit(explains ? 0 : 5);
      },
      ::testing::ExitedWithCode(0), "setcap");
}

// The capability bits of one line of /proc/self/status ("CapPrm", "CapEff").
unsigned long long capability_line(const char* name) {
  std::ifstream status("/proc/self/status");
  std::string line;
  std::string prefix = std::string(name) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::stoull(line.substr(prefix.size()), nullptr, 16);
  }
  return ~0ull;
}

// A run's socket, opened once with the privilege and used by every probe
// after it is gone, while another prober's replies pile up on it in between.
TEST(EchoIcmp, HeldSocketServesEveryProbeAfterThePrivilegeIsGiven) {
  VORNEL_REQUIRE_NETNS();
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        IcmpEcho held;
        IcmpEcho neighbour;
        if (!held.hold_open() || !neighbour.hold_open()) std::_Exit(3);
        if (held.socket_kind() != IcmpEcho::kRaw) std::_Exit(3);
        std::string error;
        if (!drop_capabilities(&error)) std::_Exit(4);
        // Root keeps no capability, and cannot open another raw socket.
        for (const char* set : {"CapPrm", "CapEff"}) {
          if (capability_line(set) != 0) std::_Exit(5);
        }
        IcmpEcho fresh;
        if (fresh.open()) std::_Exit(6);
        for (int probe = 0; probe < 3; ++probe) {
          // Far more replies than a receive buffer holds reach the held raw
          // socket too; the probe must still get its own first reply.
          for (int i = 0; i < 2000; ++i) neighbour.echo(kLoopback, 1000);
          if (!held.open()) std::_Exit(7);
          if (held.echo(kLoopback, 1000).kind != EchoResult::kReply) std::_Exit(8);
          held.close();
        }
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vornel
