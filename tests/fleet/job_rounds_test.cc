#include "fleet/job_rounds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vornel {
namespace {

// A shard that began on a host may have worked devices: it goes out again
// only with -r, and only once; one that never began always goes again.
TEST(JobRounds, SendsAgainWhatNeverBeganAndWhatWasLostOnlyOnceWhenAsked) {
  RoundHistory history;
  history.shards = {1, 2, 3, 4};
  history.finished = {1};
  EXPECT_EQ(pending_shards(history, false), (std::vector<int>{2, 3, 4}));

  history.started = {{1, 2}};  // round 1: 2 began and was lost; 3, 4 never began
  EXPECT_EQ(pending_shards(history, false), (std::vector<int>{3, 4}));
  EXPECT_EQ(pending_shards(history, true), (std::vector<int>{2, 3, 4}));

  history.started.push_back({2, 3});  // round 2: lost again, and 3 lost too
  EXPECT_EQ(pending_shards(history, true), (std::vector<int>{3, 4}));
  history.finished.insert(4);
  history.started.push_back({3});
  EXPECT_EQ(pending_shards(history, true), (std::vector<int>{}));
}

TEST(JobRounds, SendsAShardOnlyToTheLiveHostsOfItsSite) {
  std::vector<FleetHost> hosts = {
      {"north", "2/north", 2}, {"south", "2/south", 2}, {"east", "2/east", 2}};
  EXPECT_EQ(job_lines({1, 2, 3}, {"north", "east,north", "south"}, hosts, {0, 2}),
            (std::vector<std::string>{"1@h0", "2@h0+h2"}));
  EXPECT_EQ(job_lines({1, 2}, {"", ""}, hosts, {1}), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(job_lines({1, 2}, {"", ""}, hosts, {}), (std::vector<std::string>{}));
}

}  // namespace
}  // namespace vornel
