#include "fleet/hosts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vornel {
namespace {

// A host entry is handed to ssh and GNU parallel, which puts the login into
// a command line of a shell here: anything but [user@]host[:port] must stop
// the run before a job starts.
TEST(FleetHosts, RefusesEntriesSshOrParallelWouldTakeForOptionsOrCommands) {
  auto refused = [](const char* entry) {
    std::vector<FleetHost> hosts;
    std::string error;
    EXPECT_FALSE(parse_hosts(entry, false, 8, &hosts, &error)) << entry;
    EXPECT_EQ(error.rfind("-S", 0), 0u) << error;
  };
  for (const char* entry :
       {"-oProxyCommand=touch /tmp/x", "2/-oProxyCommand=touch /tmp/x", "ssh -p 2222 north",
        "north\tsouth", ":", "2/:", "0/north", "3/", " , ", "a@-Fconfig", ".."})
    refused(entry);
  for (const char* entry : {"1/a$(touch${IFS}/tmp/x)@h", "a;touch /tmp/x;@h", "a`id`@h", "@north",
                            "a:secret@north", "north:65536", "north:22:1", "[::1]:22"})
    refused(entry);
}

TEST(FleetHosts, ReadsCountsLoginsPortsAndFilesOfThem) {
  std::vector<FleetHost> hosts;
  std::string error;
  ASSERT_TRUE(parse_hosts(" 4/north , operator@south,,10.77.2.2:2222,r_1.x-y@A-9:65535", false, 3,
                          &hosts, &error))
      << error;
  ASSERT_EQ(hosts.size(), 4u);
  EXPECT_EQ(hosts[0].login, "north");
  EXPECT_EQ(hosts[0].entry, "4/north");
  EXPECT_EQ(hosts[1].login, "operator@south");
  EXPECT_EQ(hosts[1].entry, "3/operator@south");
  EXPECT_EQ(hosts[2].entry, "3/10.77.2.2:2222");
  EXPECT_EQ(hosts[3].entry, "3/r_1.x-y@A-9:65535");

  hosts.clear();
  ASSERT_TRUE(parse_hosts("# sites\n\n  2/north\r\n  # old\nsouth\n", true, 8, &hosts, &error));
  ASSERT_EQ(hosts.size(), 2u);
  EXPECT_EQ(hosts[0].entry, "2/north");
  EXPECT_EQ(hosts[1].entry, "8/south");
}

}  // namespace
}  // namespace vornel
