// A rollout's waves and its stop threshold: how many devices each wave
// takes, which devices those are (per site, a device listed twice in one
// place), and where the threshold is reached.
#include "fleet/waves.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fleet/shard_plan.h"

namespace vornel {
namespace {

std::vector<WaveStep> steps(const std::string& shares) {
  std::vector<WaveStep> parsed;
  std::string error;
  EXPECT_TRUE(parse_waves(shares, &parsed, &error)) << shares << ": " << error;
  return parsed;
}

TEST(Waves, EachTakesItsShareRoundedUpAndAtLeastOneMore) {
  const struct {
    const char* shares;
    int devices;
    std::vector<int> sizes;
  } cases[] = {
      {"1,25%,100%", 20, {1, 4, 15}},
      {"1,5%,25%,100%", 1000, {1, 49, 200, 750}},
      {"1,5%,25%,100%", 7, {1, 1, 1, 4}},  // 5% of 7 rounds up to 1: one more
      {"1,25%,100%", 10, {1, 2, 7}},  // 25% of 10 is 2.5: 3 by the end of wave 2
      {"1,25%,100%", 3, {1, 1, 1}},
      {"1,25%,100%", 1, {1}},
      {"2,10", 5, {2, 3}},   // the last wave takes whatever remains
      {"10,50%", 4, {4}},    // a wave that would find nothing left is dropped
      {"30%", 10, {10}},
      {"1,2", 0, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(wave_sizes(steps(c.shares), c.devices), c.sizes) << c.shares << " of " << c.devices;
  }
  EXPECT_EQ(wave_sizes({}, 5), std::vector<int>{5});

  for (const char* bad : {"0", "101%", "5,3", "25%,10%", "1,,2", "x", "1;2", "-1", "%"}) {
    std::vector<WaveStep> parsed;
    std::string error;
    EXPECT_FALSE(parse_waves(bad, &parsed, &error)) << bad;
  }
}

TEST(FailLimit, IsReachedAtItsValueNotAbove) {
  const struct {
    const char* limit;
    int failures, attempted;
    bool reached;
  } cases[] = {
      {"2", 1, 50, false}, {"2", 2, 2, true},     {"2", 3, 9, true},
      {"10%", 1, 10, true}, {"10%", 1, 11, false}, {"10%", 0, 0, false},
      {"50%", 1, 2, true},  {"51%", 1, 2, false},  {"100%", 3, 3, true},
  };
  for (const auto& c : cases) {
    FailLimit limit;
    std::string error;
    ASSERT_TRUE(parse_fail_limit(c.limit, &limit, &error)) << c.limit;
    EXPECT_EQ(limit_reached(limit, c.failures, c.attempted), c.reached)
        << c.limit << ": " << c.failures << " of " << c.attempted;
  }
  EXPECT_FALSE(limit_reached(FailLimit{}, 100, 100));
}

PlannedGroup group(const std::string& address, bool refused = false) {
  PlannedGroup planned;
  planned.address = address;
  if (refused) planned.refusal = "refused";
  return planned;
}

// With a site map, each wave takes its share from every site; the shards of
// a wave hold only its devices; a device listed twice goes with its first
// place, and an address only refused groups name with the device before it.
TEST(Waves, CutPerSiteKeepsEachDeviceInOneShardOfOneWave) {
  std::FILE* file = std::tmpfile();
  std::fputs("north 10.1.0.0/16\nsouth 10.2.0.0/16\n", file);
  std::rewind(file);
  SiteMap map;
  std::string error;
  ASSERT_TRUE(read_site_map(file, "sites.txt", &map, &error)) << error;
  std::fclose(file);
  ShardPlan plan;
  for (const char* address : {"10.1.0.1", "10.2.0.1", "10.1.0.2", "10.2.0.2", "10.1.0.3",
                              "10.2.0.3", "10.1.0.4", "10.2.0.4"})
    plan.groups.push_back(group(address));
  plan.groups.push_back(group("10.1.0.1"));        // listed twice
  plan.groups.push_back(group("10.2.0.9", true));  // refused only

  ASSERT_TRUE(cut_into_shards(&plan, 0, &map, steps("1,50%,100%"), &error)) << error;

  std::vector<int> waves;
  for (const PlannedGroup& planned : plan.groups) waves.push_back(planned.wave);
  // Per site of four: 1, then up to 2 (50%), then the rest.
  EXPECT_EQ(waves, (std::vector<int>{1, 1, 2, 2, 3, 3, 3, 3, 1, 3}));
  EXPECT_EQ(plan.groups[8].shard, plan.groups[0].shard);
  for (const Shard& shard : plan.shards) {
    for (std::size_t index : shard.groups) EXPECT_EQ(plan.groups[index].wave, shard.wave);
  }
}

}  // namespace
}  // namespace vornel
