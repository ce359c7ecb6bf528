#include "fleet/outcomes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fleet/arguments.h"
#include "fleet/commands.h"
#include "fleet/fleet_files.h"
#include "fleet/layout.h"
#include "fleet/workdir.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

std::string group(const std::string& address, const std::string& password = "secret") {
  return "SystemIP=" + address +
         "\nIniFileName=site.ini\nSystemUserName=admin\nSystemPassword=" + password + "\n";
}

std::string with_crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// A record as vornel-batch writes it.
std::string record(int line, const std::string& address, DeviceOutcome outcome, int status = 0,
                   const std::string& reason = "", std::optional<int32_t> firmware = 250) {
  DeviceResult result;
  result.line = line;
  result.address = address;
  result.ini_file = "site.ini";
  result.outcome = outcome;
  result.status = status;
  result.reason = reason;
  result.firmware = firmware;
  result.start_ms = 1764633600000;
  result.end_ms = result.start_ms + 40;
  result.duration_ms = 40;
  return result_record(result);
}

class OutcomeReader : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vornel-outcomes-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void write(const fs::path& path, const std::string& text) {
    ASSERT_TRUE(write_whole_file(dir_ / path, text)) << path;
  }

  // Cuts the list as vornel-fleet does.
  void cut(const std::string& list_name, const std::string& list, int shards) {
    write(list_name, list);
    CommandLine line;
    line.options = {{'o', (dir_ / "run").string()}, {'n', std::to_string(shards)}};
    line.operands = {(dir_ / list_name).string()};
    ASSERT_EQ(cut_command(line), 0);
  }

  fs::path dir_;
};

// Each shard's records decide its devices, found by their line in the
// shard's list; a shard whose vornel-batch ended early leaves the devices
// after its last record without an outcome rather than a failure. LF and
// CRLF records alike, and a record cut short is none.
TEST_F(OutcomeReader, JudgesEachDeviceByItsShardsRecordsAndStatus) {
  const std::string list = "# north, then south\n" + group("10.0.0.2") + group("10.0.0.3") +
                           group("10.0.0.4") + group("10.0.0.5") + "\n" + group("10.0.0.6") +
                           group("10.0.0.7") + group("10.0.0.8", std::string(28, 'p')) +
                           "SystemIP=10.0.0.\xff\nIniFileName=site.ini\n";
  cut("north, south.txt", list, 3);
  // Shard 1: 10.0.0.2, .5 and .8 (refused); shard 2: .3, .6, .\xff; shard 3: .4, .7.
  write("run/shard-1/results.jsonl",
        record(1, "10.0.0.2", DeviceOutcome::kOk, 1) +
            record(5, "10.0.0.5", DeviceOutcome::kFailed, 3, "This address is not responsive.",
                   std::nullopt) +
            record(9, "10.0.0.8", DeviceOutcome::kSkipped, 0, "refused", std::nullopt));
  write("run/shard-1/status", "1\n");
  // The Windows build's CRLF, and a status written by a command prompt.
  write("run/shard-2/results.jsonl",
        with_crlf(record(1, "10.0.0.3", DeviceOutcome::kOk, 1) +
                  record(5, "10.0.0.6", DeviceOutcome::kFailed, 5,
                         "Could not open file site.ini.") +
                  record(9, "10.0.0.\xff", DeviceOutcome::kFailed, 0, "Unknown failure.")));
  write("run/shard-2/status", "1 \r\n");
  // Shard 3 ended by SIGTERM while it probed 10.0.0.7, whose record is cut.
  std::string cut_short = record(5, "10.0.0.7", DeviceOutcome::kOk, 1);
  write("run/shard-3/results.jsonl", record(1, "10.0.0.4", DeviceOutcome::kOk, 1) +
                                         cut_short.substr(0, cut_short.size() - 1));
  write("run/shard-3/status", "143\n");

  FleetRecord fleet;
  std::string error;
  ASSERT_TRUE(read_fleet_record(dir_ / "run", &fleet, &error)) << error;
  FleetResults results = judge_fleet(fleet, [](const std::string&) { return false; });

  EXPECT_EQ(results.exit_status, FleetExit::kAbnormal);
  EXPECT_EQ(summary_text(fleet, results, "run"),
            "  10.0.0.2         shard 1   OK\n"
            "  10.0.0.3         shard 2   OK\n"
            "  10.0.0.4         shard 3   OK\n"
            "  10.0.0.5         shard 1   This address is not responsive.\n"
            "  10.0.0.6         shard 2   Could not open file site.ini.\n"
            "  10.0.0.7         shard 3   no outcome: the shard ended with status 143 before it\n"
            "  10.0.0.8         shard 1   skipped: " +
                (dir_ / "north, south.txt").string() +
                ":30: SystemPassword value longer than 27 characters; the whole group is "
                "ignored\n"
                "  10.0.0.\xEF\xBF\xBD       shard 2   Unknown failure.\n"
                "vornel-fleet: 8 devices, 3 OK, 5 failed; logs in run/shard-N/log.txt\n");
  // With an archive, what changed (lines added plus removed).
  results.groups[0].config = {ConfigChange::kChanged, 3, 1};
  results.groups[1].config = {ConfigChange::kUnchanged, 0, 0};
  EXPECT_EQ(results_csv(fleet, results),
            "line,address,shard,host,wave,outcome,status,reason,firmware,fetched,config,"
            "lines_changed\r\n"
            "2,10.0.0.2,1,,,ok,1,,250,,changed,4\r\n"
            "6,10.0.0.3,2,,,ok,1,,250,,unchanged,0\r\n"
            "10,10.0.0.4,3,,,ok,1,,250,,,\r\n"
            "14,10.0.0.5,1,,,failed,3,This address is not responsive.,,,,\r\n"
            "19,10.0.0.6,2,,,failed,5,Could not open file site.ini.,250,,,\r\n"
            "23,10.0.0.7,3,,,no_outcome,,the shard ended with status 143 before it,,,,\r\n"
            "27,10.0.0.8,1,,,skipped,,\"" +
                (dir_ / "north, south.txt").string() +
                ":30: SystemPassword value longer than 27 characters; the whole group is "
                "ignored\",,,,\r\n"
                "31,10.0.0.\xEF\xBF\xBD,2,,,failed,,Unknown failure.,250,,,\r\n");
  std::string list_copy;
  ASSERT_TRUE(read_whole_file(dir_ / "run" / kListCopy, &list_copy));
  EXPECT_EQ(list_of(ListKind::kRerun, fleet, results, list_copy),
            group("10.0.0.5") + group("10.0.0.6") + group("10.0.0.7") +
                "SystemIP=10.0.0.\xff\nIniFileName=site.ini\n");
}

// A list, a device's reply in a transcript and a host name may hold what a
// spreadsheet runs (a formula) or a terminal obeys (an escape sequence):
// results.csv makes every such cell text, and the summary shows control
// characters as '?'.
TEST(FleetOutput, KeepsFormulasAndTerminalEscapesFromListsAndHostsInert) {
  FleetRecord fleet;
  fleet.remote = true;
  FleetResults results;
  const struct {
    const char* address;
    const char* host;
    Outcome outcome;
    const char* reason;
  } rows[] = {
      {"=HYPERLINK(\"http://x\",\"y\")", "north", Outcome::kOk, ""},
      {"@SUM(A1)", "+north", Outcome::kFailed, "-2+3"},
      {"10.0.0.\x1b]0;owned\x07", "north", Outcome::kSkipped, "list.txt:9: SystemIP value holds"},
      {"10.0.0.4", "north\x1b[2J", Outcome::kFailed, "\tbad \x1b[31mreply\r"},
  };
  for (const auto& row : rows) {
    PlannedGroup group;
    group.address = row.address;
    group.shard = 1;
    group.line = static_cast<long>(fleet.groups.size()) + 1;
    fleet.groups.push_back(group);
    GroupResult result;
    result.outcome = row.outcome;
    result.host = row.host;
    result.reason = row.reason;
    result.shown = row.reason;
    results.groups.push_back(result);
  }
  EXPECT_EQ(results_csv(fleet, results),
            "line,address,shard,host,wave,outcome,status,reason,firmware,fetched,config,"
            "lines_changed\r\n"
            "1,\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",1,north,,ok,,,,,,\r\n"
            "2,'@SUM(A1),1,'+north,,failed,,'-2+3,,,,\r\n"
            "3,10.0.0.\x1b]0;owned\x07,1,north,,skipped,,list.txt:9: SystemIP value holds,,,,\r\n"
            "4,10.0.0.4,1,north\x1b[2J,,failed,,\"'\tbad \x1b[31mreply\r\",,,,\r\n");
  EXPECT_EQ(summary_text(fleet, results, "run"),
            "  =HYPERLINK(\"http://x\",\"y\")  shard 1   north                \n"
            "  @SUM(A1)         shard 1   +north               -2+3\n"
            "  10.0.0.?]0;owned?  shard 1   north                list.txt:9: SystemIP value holds\n"
            "  10.0.0.4         shard 1   north?[2J            ?bad ?[31mreply?\n"
            "vornel-fleet: 4 devices, 0 OK, 4 failed; logs in run/shard-N/log.txt\n");
}

}  // namespace
}  // namespace vornel
