// The record vornel-batch writes and the fleet reads back: what a list or a
// device may put in a field comes back as it went in (or as valid UTF-8),
// and a record cut short never passes for a whole one.
#include <gtest/gtest.h>

#include "report/device_result.h"

namespace vornel {
namespace {

DeviceResult sample() {
  DeviceResult result;
  result.line = 17;
  result.address = "10.0.0.5";
  result.ini_file = "site.ini";
  result.outcome = DeviceOutcome::kFailed;
  result.status = 4;
  result.reason = "Could not log into the FTP server.";
  result.firmware = 251;
  result.start_ms = 951782400123;  // 2000-02-29T00:00:00.123Z
  result.end_ms = 951782401000;
  result.duration_ms = 877;
  return result;
}

TEST(ResultRecord, HostileTextComesBackAndShowsNothingATerminalActsOn) {
  const struct {
    std::string written;
    std::string read;
  } cases[] = {
      {"a\"b\\c/d", "a\"b\\c/d"},
      {"\x1b]0;title\x07\r\n\t\x7f", "\x1b]0;title\x07\r\n\t\x7f"},
      {std::string("nul\0in", 6), std::string("nul\0in", 6)},
      {"caf\xc3\xa9 \xf0\x9f\x93\xa1", "caf\xc3\xa9 \xf0\x9f\x93\xa1"},
      {"bad \xff\xc3(", "bad \xEF\xBF\xBD\xEF\xBF\xBD("},
  };
  for (const auto& c : cases) {
    DeviceResult result = sample();
    result.reason = c.written;
    std::string line = result_record(result);
    ASSERT_EQ(line.find('\n'), line.size() - 1) << line;
    for (char byte : line.substr(0, line.size() - 1)) {
      EXPECT_FALSE(static_cast<unsigned char>(byte) < 0x20 || byte == 0x7f) << line;
    }
    DeviceResult back;
    ASSERT_TRUE(read_result_record(line, &back)) << line;
    EXPECT_EQ(back.reason, c.read);
  }
}

TEST(ResultRecord, EveryFieldRoundTripsAndTimesAreUtc) {
  std::string line = result_record(sample());
  EXPECT_NE(line.find("\"start\":\"2000-02-29T00:00:00.123Z\""), std::string::npos) << line;
  EXPECT_NE(line.find("\"duration\":0.877"), std::string::npos) << line;
  DeviceResult back;
  ASSERT_TRUE(read_result_record(line, &back));
  EXPECT_EQ(result_record(back), line);
  EXPECT_EQ(iso8601_utc(0), "1970-01-01T00:00:00.000Z");
  EXPECT_EQ(iso8601_utc(4107542399999), "2100-02-28T23:59:59.999Z");

  DeviceResult skipped;
  skipped.outcome = DeviceOutcome::kSkipped;
  line = result_record(skipped);
  EXPECT_NE(line.find("\"status\":null"), std::string::npos) << line;
  EXPECT_NE(line.find("\"firmware\":null"), std::string::npos) << line;
  ASSERT_TRUE(read_result_record(line, &back));
  EXPECT_EQ(back.status, 0);
  EXPECT_FALSE(back.firmware.has_value());
}

TEST(ResultRecord, ACutOrForeignLineIsNoRecord) {
  std::string line = result_record(sample());
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, line.size() / 2, line.size() - 3}) {
    DeviceResult back;
    EXPECT_FALSE(read_result_record(line.substr(0, size), &back)) << size;
  }
  std::string without_status = line;
  without_status.replace(without_status.find("\"status\":4,"), 11, "");
  DeviceResult back;
  EXPECT_FALSE(read_result_record(without_status, &back));
  std::string bad_outcome = line;
  bad_outcome.replace(bad_outcome.find("failed"), 6, "maybe!");
  EXPECT_FALSE(read_result_record(bad_outcome, &back));
  std::string extra = "{\"later\":[1]," + line.substr(1);
  EXPECT_FALSE(read_result_record(extra, &back));  // only plain values
  std::string known_later = "{\"later\":\"x\"," + line.substr(1);
  EXPECT_TRUE(read_result_record(known_later, &back));
}

}  // namespace
}  // namespace vornel
