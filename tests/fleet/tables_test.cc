// The working folder's tables, read back by the later steps, and the
// option letters of vornel-shard: a field that would break its row, a row
// that is not one, a job log's line.
#include "fleet/tables.h"

#include <gtest/gtest.h>

#include "fleet/arguments.h"

namespace vornel {
namespace {

TEST(FleetTables, RowsReadBackAndAFieldNeverBreaksItsRow) {
  PlannedGroup group;
  group.shard = 3;
  group.address = "10.0.0.2";
  group.line = 17;
  group.shard_line = 5;
  group.ini_file_name = "a\tb.ini";
  group.refusal = "list.txt:17: why\r\nnext";
  group.begin = 100;
  group.end = 180;
  group.wave = 2;
  std::string row = group_row(group);
  ASSERT_EQ(row.find('\n'), row.size() - 1);
  PlannedGroup back;
  ASSERT_TRUE(parse_group_row(row.substr(0, row.size() - 1), &back)) << row;
  EXPECT_EQ(back.ini_file_name, "a b.ini");
  EXPECT_EQ(back.refusal, "list.txt:17: why  next");
  EXPECT_EQ(std::make_tuple(back.shard, back.line, back.shard_line, back.begin, back.end,
                            back.wave),
            std::make_tuple(3, 17L, 5L, 100L, 180L, 2));
  for (const char* broken : {"3\t10.0.0.2\t17\t5\tsite.ini\t\t100\t180",  // no wave
                             "3\t10.0.0.2\t17\t5\tsite.ini\t\t180\t100\t1",  // end before begin
                             "x\t10.0.0.2\t17\t5\tsite.ini\t\t100\t180\t1"}) {
    EXPECT_FALSE(parse_group_row(broken, &back)) << broken;
  }

  Shard shard{"north,south", {}, 4};
  int number = 0;
  Shard read;
  row = shard_row(7, shard);
  ASSERT_TRUE(parse_shard_row(row.substr(0, row.size() - 1), &number, &read));
  EXPECT_EQ(std::make_tuple(number, read.site, read.wave), std::make_tuple(7, shard.site, 4));
  EXPECT_FALSE(parse_shard_row("0\tnorth\t1", &number, &read));

  // GNU parallel's job log: the shard from the command's ": N;", 255 a lost host.
  JobRecord job;
  ASSERT_TRUE(parse_job_row("3\troot@h\t1.0\t0.2\t0\t0\t255\t0\t: 12; echo started", &job));
  EXPECT_EQ(std::make_tuple(job.shard, job.host, job.exit_value),
            std::make_tuple(12, std::string("root@h"), 255));
  EXPECT_FALSE(parse_job_row("3\troot@h\t1.0\t0.2\t0\t0\t0\t0\tcd shard-12", &job));
}

TEST(FleetArguments, LettersValuesAndTheEndOfOptions) {
  const struct {
    std::vector<std::string> args;
    bool ok;
    std::string options;  // name=value, joined by ' '
    std::vector<std::string> operands;
  } cases[] = {
      {{"-ri", "DIR"}, true, "r= i=", {"DIR"}},
      {{"-A", "arch ive", "-i", "DIR"}, true, "A=arch ive i=", {"DIR"}},
      {{"-Aarchive", "--", "-i"}, true, "A=archive", {"-i"}},
      {{"DIR", "-i"}, true, "", {"DIR", "-i"}},
      {{"-x"}, false, "", {}},
      {{"-A"}, false, "", {}},
      {{"-:"}, false, "", {}},
  };
  for (const auto& c : cases) {
    CommandLine line;
    std::string error;
    ASSERT_EQ(parse_command_line(c.args, "riA:", &line, &error), c.ok) << c.args[0];
    if (!c.ok) continue;
    std::string options;
    for (const CommandOption& option : line.options)
      options += (options.empty() ? "" : " ") + std::string(1, option.name) + "=" + option.value;
    EXPECT_EQ(options, c.options) << c.args[0];
    EXPECT_EQ(line.operands, c.operands) << c.args[0];
  }
  int value = 0;
  EXPECT_TRUE(parse_number("999999", &value));
  EXPECT_FALSE(parse_number("1000000", &value));
  EXPECT_EQ(parse_count("0"), 0);
  EXPECT_EQ(parse_count("+3"), 0);
}

}  // namespace
}  // namespace vornel
