#include "fleet/hosts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vornel {
namespace {

// A host entry is handed to ssh and GNU parallel: anything they would read
// as an option or a command must stop the run before a job starts.
TEST(FleetHosts, RefusesEntriesSshOrParallelWouldTakeForOptionsOrCommands) {
  for (const char* entry :
       {"-oProxyCommand=touch /tmp/x", "2/-oProxyCommand=touch /tmp/x", "ssh -p 2222 north",
        "north\tsouth", ":", "2/:", "0/north", "3/", " , "}) {
    std::vector<FleetHost> hosts;
    std::string error;
    EXPECT_FALSE(parse_hosts(entry, false, 8, &hosts, &error)) << entry;
    EXPECT_EQ(error.rfind("-S", 0), 0u) << error;
  }
}

TEST(FleetHosts, ReadsCountsLoginsAndFilesOfThem) {
  std::vector<FleetHost> hosts;
  std::string error;
  ASSERT_TRUE(parse_hosts(" 4/north , operator@south,,", false, 3, &hosts, &error)) << error;
  ASSERT_EQ(hosts.size(), 2u);
  EXPECT_EQ(hosts[0].login, "north");
  EXPECT_EQ(hosts[0].entry, "4/north");
  EXPECT_EQ(hosts[1].login, "operator@south");
  EXPECT_EQ(hosts[1].entry, "3/operator@south");

  hosts.clear();
  ASSERT_TRUE(parse_hosts("# sites\n\n  2/north\r\n  # old\nsouth\n", true, 8, &hosts, &error));
  ASSERT_EQ(hosts.size(), 2u);
  EXPECT_EQ(hosts[0].entry, "2/north");
  EXPECT_EQ(hosts[1].entry, "8/south");
}

}  // namespace
}  // namespace vornel
