#include <gtest/gtest.h>

#include "platform/windows/icmp_echo.h"

namespace vornel {
namespace {

// IcmpSendEcho's IP_STATUS values, numbered as the service documents them.
TEST(EchoResultForStatus, MapsIpStatusToTheCodesTheLogPrints) {
  EchoResult reply = echo_result_for_status(0);  // IP_SUCCESS
  EXPECT_EQ(reply.kind, EchoResult::kReply);
  EchoResult timeout = echo_result_for_status(11010);  // IP_REQ_TIMED_OUT
  EXPECT_EQ(timeout.kind, EchoResult::kTimeout);

  // ICMP errors about the request: the codes the POSIX build gives them.
  struct Case {
    unsigned long status;
    int code;
  };
  const Case cases[] = {
      {11002, 11002},  // net unreachable
      {11003, 11003},  // host unreachable
      {11004, 11004},  // protocol unreachable
      {11005, 11005},  // port unreachable
      {11013, 11013},  // TTL expired in transit
      {11018, 11018},  // bad destination
      {11014, 11050},  // TTL expired during reassembly
      {11015, 11050},  // parameter problem
      {11016, 11050},  // source quench
      {11050, 11050},  // general failure
      // Local failures, reported as they are.
      {11001, 11001},  // buffer too small
      {11011, 11011},  // bad request
      {87, 87},        // ERROR_INVALID_PARAMETER
  };
  for (const Case& c : cases) {
    EchoResult result = echo_result_for_status(c.status);
    EXPECT_EQ(result.kind, EchoResult::kFailure) << c.status;
    EXPECT_EQ(result.code, c.code) << c.status;
  }
}

}  // namespace
}  // namespace vornel
