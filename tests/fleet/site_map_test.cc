#include "fleet/site_map.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vornel {
namespace {

bool read(const std::string& text, SiteMap* map, std::string* error) {
  std::FILE* file = std::tmpfile();
  std::fputs(text.c_str(), file);
  std::rewind(file);
  bool ok = read_site_map(file, "sites.txt", map, error);
  std::fclose(file);
  return ok;
}

using Hosts = std::vector<std::string>;

// A device must never go to a host that can't reach it: the prefix edges,
// a device two hosts reach, and what is not an address at all.
TEST(SiteMap, SendsEachDeviceOnlyToTheHostsWhosePrefixesHoldIt) {
  SiteMap map;
  std::string error;
  ASSERT_TRUE(
      read("# host  devices\n"
           "north 10.20.0.0/16 10.99.0.7   # and one more\n"
           "\n"
           "south 10.21.4.0/23\n"
           "south 10.20.9.0/24\n"
           "anywhere 0.0.0.0/0",
           &map, &error))
      << error;
  EXPECT_EQ(hosts_reaching(map, "10.20.255.255"), (Hosts{"anywhere", "north"}));
  EXPECT_EQ(hosts_reaching(map, "10.20.9.1"), (Hosts{"anywhere", "north", "south"}));
  EXPECT_EQ(hosts_reaching(map, "10.21.5.200"), (Hosts{"anywhere", "south"}));
  EXPECT_EQ(hosts_reaching(map, "10.21.6.1"), (Hosts{"anywhere"}));
  EXPECT_EQ(hosts_reaching(map, "10.99.0.7"), (Hosts{"anywhere", "north"}));
  EXPECT_EQ(hosts_reaching(map, "10.99.0.8"), (Hosts{"anywhere"}));
  for (const char* address :
       {"10.20.0.256", "10.20.0", "10.20.0.1.2", "10.20.0.1 ", "10.20.0.010", "", "host"})
    EXPECT_EQ(hosts_reaching(map, address), Hosts{}) << address;
}

// A map's host is a login as -S takes it: GNU parallel would run one that
// holds a command.
TEST(SiteMap, RefusesAnEntryThatIsNoAddressAHostWithoutDevicesAndAHostThatIsNoLogin) {
  for (const char* text :
       {"north 10.20.0.0/33\n", "north 10.20.0/16\n", "north 10.20.0.0/\n", "north 10.20.0.x\n",
        "north\n", "a$(touch${IFS}x)@north 10.0.0.0/8\n", "-oProxyCommand=x 10.0.0.0/8\n"}) {
    SiteMap map;
    std::string error;
    EXPECT_FALSE(read(std::string("south 10.1.0.0/16\n") + text, &map, &error)) << text;
    EXPECT_EQ(error.rfind("sites.txt:2: ", 0), 0u) << error;
  }
}

}  // namespace
}  // namespace vornel
