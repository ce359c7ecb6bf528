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
  EXPECT_EQ(ping_target(w.session, "10.0.0.5", 10), 1);
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
  EXPECT_EQ(ping_target(w.session, "10.0.0.5", 10), 0);
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
  EXPECT_EQ(ping_target(w.session, "10.0.0.9", 3), 0);
  EXPECT_EQ(w.log.text(),
            "  Ping error : 11003\n  Ping error : 11003\n  Ping error : 11003\n"
            "  Failed to ping 10.0.0.9");
}

TEST(PingTarget, ReachableDeviceLeavesNothingInTheLog) {
  FakeWorld w;
  w.echo.script = repeat("r", 40);
  EXPECT_EQ(ping_target(w.session, "127.0.0.1", 10), 1);
  EXPECT_EQ(w.echo.addresses.size(), 20u);
  EXPECT_EQ(w.log.text(), "");
}

TEST(PingTarget, LimitZeroSendsNothing) {
  FakeWorld w;
  w.echo.script = repeat("r", 40);
  EXPECT_EQ(ping_target(w.session, "10.0.0.5", 0), 0);
  EXPECT_TRUE(w.echo.addresses.empty());
  EXPECT_EQ(w.log.text(), "  Failed to ping 10.0.0.5");
}

TEST(PingTarget, NoEchoSocketExplainsOnceOnStandardError) {
  FakeWorld w;
  w.echo.open_ok = false;
  EXPECT_EQ(ping_target(w.session, "10.0.0.5", 10), 0);
  EXPECT_EQ(ping_target(w.session, "10.0.0.6", 10), 0);
  EXPECT_EQ(w.log.text(), "");
  EXPECT_NE(w.console.err.find("setcap cap_net_raw+ep"), std::string::npos);
  EXPECT_EQ(w.console.err.find("cannot open an ICMP socket"),
            w.console.err.rfind("cannot open an ICMP socket"));  // said once a run
  EXPECT_EQ(w.console.out, "");
}

}  // namespace
}  // namespace vornel
