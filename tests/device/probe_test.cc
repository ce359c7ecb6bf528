#include "device/probe.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"

namespace vornel {
namespace {

using testing::FakeWorld;

// A reply pattern repeated: 'r' answers, 't' misses.
std::string repeat(const std::string& unit, std::size_t length) {
  std::string s;
  while (s.size() < length) s += unit;
  return s.substr(0, length);
}

TEST(PingTarget, MissingEveryThirdIsReachableAtRequest29) {
  FakeWorld w;
  w.echo.script = repeat("rrt", 60);
  EXPECT_EQ(ping_target(w.run.out, w.run.prober, "10.0.0.5", 10), Reachability::kReachable);
  EXPECT_EQ(w.echo.addresses.size(), 29u);
  EXPECT_EQ(w.echo.last_timeout_ms, 1000u);
  std::string expected;
  for (int i = 0; i < 9; ++i) expected += "  \nPing timeout on 10.0.0.5.\n";
  EXPECT_EQ(w.log.text(), expected);
  EXPECT_EQ(w.log.flushed(), expected);
  EXPECT_EQ(w.echo.closes, 1);
}

TEST(PingTarget, MissingEverySecondIsUnreachableAtRequest20) {
  FakeWorld w;
  w.echo.script = repeat("rt", 60);
  EXPECT_EQ(ping_target(w.run.out, w.run.prober, "10.0.0.5", 10), Reachability::kUnreachable);
  EXPECT_EQ(w.echo.addresses.size(), 20u);
  std::string expected;
  for (int i = 0; i < 10; ++i) expected += "  \nPing timeout on 10.0.0.5.\n";
  EXPECT_EQ(w.log.text(), expected + "  Failed to ping 10.0.0.5");
  EXPECT_EQ(w.log.flushed(), w.log.text());
  EXPECT_FALSE(w.echo.is_open);
}

TEST(PingTarget, ErrorsAreLoggedWithTheirCode) {
  FakeWorld w;
  w.echo.script = "eee";
  w.echo.error_code = 11003;
  EXPECT_EQ(ping_target(w.run.out, w.run.prober, "10.0.0.9", 3), Reachability::kUnreachable);
  EXPECT_EQ(w.log.text(),
            "  Ping error : 11003\n  Ping error : 11003\n  Ping error : 11003\n"
            "  Failed to ping 10.0.0.9");
}

TEST(PingTarget, ReachableDeviceLeavesNothingInTheLog) {
  FakeWorld w;
  w.echo.script = repeat("r", 40);
  EXPECT_EQ(ping_target(w.run.out, w.run.prober, "127.0.0.1", 10), Reachability::kReachable);
  EXPECT_EQ(w.echo.addresses.size(), 20u);
  EXPECT_EQ(w.log.text(), "");
}

TEST(PingTarget, LimitZeroSendsNothing) {
  FakeWorld w;
  w.echo.script = repeat("r", 40);
  EXPECT_EQ(ping_target(w.run.out, w.run.prober, "10.0.0.5", 0), Reachability::kUnreachable);
  EXPECT_TRUE(w.echo.addresses.empty());
  EXPECT_EQ(w.log.text(), "  Failed to ping 10.0.0.5");
}

// The live count is shown before each request, so the operator watching a
// silent device sees each miss; it is gone before the verdict is written.
TEST(PingTarget, LiveCountBeforeEveryRequestThenTakenDown) {
  FakeWorld w;
  w.echo.script = repeat("rrt", 60);
  ASSERT_EQ(ping_target(w.run.out, w.run.prober, "10.0.0.5", 10), Reachability::kReachable);
  const std::vector<std::string>& events = w.progress.events;
  ASSERT_EQ(events.size(), 30u);  // 29 requests, then the line comes down
  EXPECT_EQ(events[0], "show pinging 10.0.0.5: 0 of 20 answered, 0 of 10 missed");
  EXPECT_EQ(events[3], "show pinging 10.0.0.5: 2 of 20 answered, 1 of 10 missed");
  EXPECT_EQ(events[28], "show pinging 10.0.0.5: 19 of 20 answered, 9 of 10 missed");
  EXPECT_EQ(events[29], "clear");

  FakeWorld dead;
  ASSERT_EQ(ping_target(dead.run.out, dead.run.prober, "10.0.0.6", 10), Reachability::kUnreachable);
  ASSERT_EQ(dead.progress.events.size(), 11u);
  EXPECT_EQ(dead.progress.events[9], "show pinging 10.0.0.6: 0 of 20 answered, 9 of 10 missed");
  EXPECT_EQ(dead.progress.events.back(), "clear");

  FakeWorld no_socket;
  no_socket.echo.open_ok = false;
  ping_target(no_socket.run.out, no_socket.run.prober, "10.0.0.7", 10);
  EXPECT_TRUE(no_socket.progress.events.empty());
}

TEST(PingTarget, NoEchoSocketExplainsOnceOnStandardError) {
  FakeWorld w;
  w.echo.open_ok = false;
  w.echo.advice = "allow it this way,\nor that way.\n";
  EXPECT_EQ(ping_target(w.run.out, w.run.prober, "10.0.0.5", 10), Reachability::kUnreachable);
  EXPECT_EQ(ping_target(w.run.out, w.run.prober, "10.0.0.6", 10), Reachability::kUnreachable);
  EXPECT_EQ(w.log.text(), "");
  // Each line of this platform's advice, under the program's name.
  EXPECT_NE(w.console.err.find("vornel: allow it this way,\nvornel: or that way.\n"),
            std::string::npos);
  EXPECT_EQ(w.console.err.find("cannot open an ICMP socket"),
            w.console.err.rfind("cannot open an ICMP socket"));  // said once a run
  EXPECT_EQ(w.console.out, "");
}

}  // namespace
}  // namespace vornel
