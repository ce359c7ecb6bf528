#include "base/ipv4_address.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace vornel {
namespace {

// The FTP layer's address check once was inet_pton(); every platform now
// shares one parser, which must accept exactly what inet_pton accepts here.
TEST(ParseIpv4Address, AcceptsWhatInetPtonAcceptsAndNothingElse) {
  const char* texts[] = {
      "127.0.0.1",
      "0.0.0.0",
      "255.255.255.255",
      "10.1.2.3",
      "1.2.3.4",
      "256.1.1.1",
      "1.2.3.256",
      "01.2.3.4",
      "1.2.3.04",
      "00.0.0.0",
      "1.2.3",
      "1.2.3.4.5",
      "1.2.3.4.",
      ".1.2.3.4",
      "1..2.3",
      "1.2.3.4 ",
      " 1.2.3.4",
      "+1.2.3.4",
      "1.2.3.-4",
      "0x7f.0.0.1",
      "127.1",
      "2130706433",
      "",
      ".",
      "1.2.3.a",
      "999.999.999.999",
      "1.2.3.4\n",
      "12345.1.1.1",
      "1.2.3.255",
      "100.200.250.199",
  };
  for (const char* text : texts) {
    in_addr expected;
    bool valid = inet_pton(AF_INET, text, &expected) == 1;
    std::uint32_t address = 0xdeadbeef;
    EXPECT_EQ(parse_ipv4_address(text, &address), valid) << '"' << text << '"';
    EXPECT_EQ(address, valid ? expected.s_addr : 0xdeadbeefu) << text;
  }
  std::uint32_t address = 0;
  EXPECT_FALSE(parse_ipv4_address(nullptr, &address));
}

}  // namespace
}  // namespace vornel
