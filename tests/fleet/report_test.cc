#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fleet/metrics.h"
#include "fleet/report_page.h"

namespace vornel {
namespace {

// What a list or a device may put in a name: markup, character references,
// terminal controls, bytes that are no UTF-8, and text direction overrides.
TEST(ReportText, ShowsHostileTextAsText) {
  const struct {
    std::string text;
    std::string shown;
  } kCases[] = {
      {"<script>alert('x')</script>", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
      {"a&amp;b\"c", "a&amp;amp;b&quot;c"},
      {"\x1b[31mred\r\n\t", "?[31mred???"},
      {std::string("nul\0x", 5), "nul?x"},
      {"csi\xc2\x9b"
       "2J del\x7f",
       "csi?2J del?"},
      {"abc\xe2\x80\xaetxt.exe", "abc?txt.exe"},
      {"\xff\xc0\xaf\xed\xa0\x80 \xe2\x82",
       "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
       "\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD"},
      {"Z\xc3\xbcrich \xe2\x9c\x93 \xf0\x9f\x98\x80",
       "Z\xc3\xbcrich \xe2\x9c\x93 \xf0\x9f\x98\x80"},
  };
  for (const auto& c : kCases) EXPECT_EQ(html_text(c.text), c.shown) << c.text;
}

// Every text of the report, whichever field it came in, stays text: the
// page keeps its one script and no other element or control byte gets in.
TEST(ReportPage, EscapesEveryFieldOfTheReport) {
  const std::string kHostile = "</script><script>x()</script><img src=x>\x1b]0;t\x07";
  RunReport report{kHostile, kHostile, 0, 1, true, {}, {}, {}};
  ReportDevice device{1,        kHostile, kHostile, 3,        kHostile, kHostile,
                      kHostile, 1,        2,        kHostile, kHostile, 1};
  report.devices = {device, device};
  report.devices[1].config = "changed";
  report.history = {{kHostile, kHostile, 1, 2, 3, 4}};
  report.diffs[kHostile] = "@@ -1 +1 @@\n-" + kHostile + "\n+" + kHostile + "\n";
  std::string page = report_html(report);
  EXPECT_EQ(page.find("<script"), page.rfind("<script"));
  EXPECT_EQ(page.find("<img"), std::string::npos);
  for (char c : page) ASSERT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n') << int(c);
  EXPECT_NE(page.find("+&lt;/script&gt;"), std::string::npos) << "the diff is shown";
}

TEST(ReportPage, CutsALongDiffAndSaysHowMuchIsLeft) {
  RunReport report;
  report.devices = {{1, "10.0.0.1", "ok", 0, "", "", "", 1, 0, "", "changed", 1}};
  std::string diff;
  for (int i = 0; i < kDiffLinesShown + 100; ++i) diff += "+line " + std::to_string(i) + "\n";
  report.diffs["10.0.0.1"] = diff;
  std::string page = report_html(report);
  EXPECT_NE(page.find("+line " + std::to_string(kDiffLinesShown - 1) + "<"), std::string::npos);
  EXPECT_EQ(page.find("+line " + std::to_string(kDiffLinesShown) + "<"), std::string::npos);
  EXPECT_NE(page.find("... 100 more lines not shown"), std::string::npos);
}

ReportDevice device(const std::string& outcome, int status, const std::string& reason,
                    const std::string& firmware) {
  return {1, "10.0.0.1", outcome, status, reason, firmware, "", 1, 0, "", "", 1};
}

TEST(RunReport, CountsAndRanksOutcomesReasonsAndFirmware) {
  std::vector<ReportDevice> devices = {
      device("ok", 0, "", "999"),
      device("failed", 6, "too old", "0240"),
      device("failed", 3, "silent", "1000"),
      device("skipped", 0, "silent", ""),  // same words, another outcome: its own line
      device("failed", 3, "silent", "999"),
      device("waved_off", 0, "new", ""),  // an outcome this code doesn't know yet
      device("failed", 6, "too old", "240"),
      device("ready", 0, "", "1000"),
      device("failed", 3, "silent", ""),
  };
  std::vector<std::pair<std::string, int>> counts = outcome_counts(devices);
  ASSERT_EQ(counts.size(), static_cast<std::size_t>(kOutcomeKindCount + 1));
  EXPECT_EQ(counts[0], (std::pair<std::string, int>{"ok", 1}));
  EXPECT_EQ(counts[1], (std::pair<std::string, int>{"ready", 1}));
  EXPECT_EQ(counts[2], (std::pair<std::string, int>{"failed", 5}));
  EXPECT_EQ(counts.back(), (std::pair<std::string, int>{"waved_off", 1}));

  std::vector<ReasonCount> reasons = ranked_reasons(devices);
  ASSERT_EQ(reasons.size(), 4u);
  EXPECT_EQ(reasons[0].reason + "/" + reasons[0].outcome + "/" + std::to_string(reasons[0].devices),
            "silent/failed/3");
  EXPECT_EQ(reasons[1].reason + "/" + std::to_string(reasons[1].devices), "too old/2");
  EXPECT_EQ(reasons[2].outcome, "skipped");  // ties stay in the order first met
  EXPECT_EQ(reasons[3].outcome, "waved_off");

  std::vector<FirmwareCount> inventory = firmware_inventory(devices);
  std::vector<std::string> shown;
  for (const FirmwareCount& c : inventory) {
    shown.push_back(c.version + ":" + std::to_string(c.devices) + "/" + std::to_string(c.too_old));
  }
  EXPECT_EQ(shown,
            (std::vector<std::string>{"0240:1/1", "240:1/1", "999:2/0", "1000:2/0", ":3/0"}));
}

TEST(Metrics, EscapesLabelValuesAndDatesTheRunsEnd) {
  RunReport report;
  report.mode = "upload";
  report.list = "C:\\lists\\\"north\".txt";
  report.started_ms = 1740830400000;  // 2025-03-01T12:00:00Z
  report.duration_s = 90.5;
  report.devices = {device("failed", 0, "said \"no\" \\ twice\nthen\x1b[0m", "")};
  std::string text = metrics_text(report);
  const std::string kRun = "mode=\"upload\",list=\"C:\\\\lists\\\\\\\"north\\\".txt\"";
  EXPECT_NE(text.find("vornel_fleet_devices{" + kRun + ",outcome=\"failed\"} 1\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("vornel_fleet_devices{" + kRun + ",outcome=\"ok\"} 0\n"), std::string::npos);
  EXPECT_NE(text.find(",reason=\"said \\\"no\\\" \\\\ twice?then?[0m\"} 1\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("vornel_fleet_run_end_timestamp_seconds{" + kRun + "} 1740830490.500\n"),
            std::string::npos);
  EXPECT_EQ(text.find("vornel_fleet_configs"), std::string::npos) << "no archive, no configs";
}

}  // namespace
}  // namespace vornel
