#include "report/summary.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "report/log_header.h"

namespace vornel {
namespace {

using testing::FakeWorld;

constexpr char kClosing[] = "\n\tThe results of this session are logged in 'log.txt' \n\n\n";

TargetRecord make(const char* ip, int32_t status, const char* ini = "a.ini") {
  TargetRecord r;
  std::snprintf(r.ip_address, sizeof r.ip_address, "%s", ip);
  std::snprintf(r.ini_file_name, sizeof r.ini_file_name, "%s", ini);
  r.status = status;
  return r;
}

TEST(PrintSummary, NoFailuresNoTargetLines) {
  FakeWorld w;
  TargetRecord ok = make("10.0.0.1", STATUS_SUCCESS);
  print_summary(w.run.out, w.run.totals, &ok);
  EXPECT_EQ(w.console.out,
            std::string("\n  ** Summary **\n\n\tNo errors detected during this session.\n") +
                kClosing);
  EXPECT_EQ(w.log.text(), "\n  ** Summary **\n\n\tNo errors detected during this session.\n");
  EXPECT_EQ(w.log.flushed(), w.log.text());
}

TEST(PrintSummary, OneFailureSameCountLineOnBothSides) {
  FakeWorld w;
  w.run.totals.failure_count = 1;
  TargetRecord bad = make("10.0.0.2", STATUS_NOT_RESPONSIVE);
  print_summary(w.run.out, w.run.totals, &bad);
  EXPECT_EQ(w.console.out,
            std::string("\n  ** Summary **\n\n\tThere was 1 failure logged this session.\n"
                        "\t10.0.0.2:   This address is not responsive.\n") +
                kClosing);
  EXPECT_EQ(w.log.text(),
            "\n  ** Summary **\n\n\tThere was 1 failure logged this session.\n"
            "\t10.0.0.2:   This address is not responsive.\n");
  // The per-target lines wait in the buffer for the next flush.
  EXPECT_EQ(w.log.flushed(), "\n  ** Summary **\n\n\tThere was 1 failure logged this session.\n");
}

TEST(PrintSummary, EveryStatusHasItsReasonAndTheConfigNoteGoesToTheLogOnly) {
  FakeWorld w;
  w.run.totals.failure_count = 7;
  w.run.totals.config_ini_detected = 1;
  TargetRecord r[] = {make("10.0.0.1", STATUS_SUCCESS),
                      make("10.0.0.2", STATUS_TRANSFER_FAILED),
                      make("10.0.0.3", STATUS_NOT_RESPONSIVE),
                      make("10.0.0.4", STATUS_LOGIN_FAILED),
                      make("10.0.0.5", STATUS_FILE_NOT_OPENED, "site5.ini"),
                      make("10.0.0.6", STATUS_INI_NOT_SUPPORTED),
                      make("10.0.0.7", 0),
                      make("10.0.0.8", 9)};
  for (int i = 0; i + 1 < 8; ++i) r[i].next = &r[i + 1];
  print_summary(w.run.out, w.run.totals, &r[0]);
  const std::string targets_console =
      "\t10.0.0.2:   Could not download INI File due to an FTP error.\n"
      "\t10.0.0.3:   This address is not responsive.\n"
      "\t10.0.0.4:   Could not log into the FTP server.\n"
      "\t10.0.0.5:   Could not open file site5.ini.\n"
      "\t10.0.0.6:   Does not support INI files.\n"
      "\t10.0.0.7:   Unknown failure.\n"
      "\t10.0.0.8:   Unknown failure.\n";
  EXPECT_EQ(w.console.out,
            "\n  ** Summary **\n\n\tThere were 7 failures logged this session.\n" +
                targets_console + kClosing);
  std::string targets_log = targets_console;
  targets_log.replace(targets_log.find("log into the FTP"), 16, "log in to FTP");
  EXPECT_EQ(w.log.text(),
            "\n  ** Summary **\n"
            "\n\tDetected config.ini file,\n\tsaved new config file(s) as [ipaddress].ini\n"
            "\n\tThere were 7 failures.\n" +
                targets_log);
}

TEST(PrintSummary, CountsFailuresOfEarlierPassesWithoutListingThem) {
  FakeWorld w;
  w.run.totals.failure_count = 3;
  TargetRecord ok = make("10.0.0.1", STATUS_SUCCESS);
  print_summary(w.run.out, w.run.totals, &ok);
  EXPECT_EQ(w.console.out, std::string("\n  ** Summary **\n\n\tThere were 3 failures logged this "
                                       "session.\n") +
                               kClosing);
  print_summary(w.run.out, w.run.totals, nullptr);  // a null list still gets the count line
  EXPECT_EQ(w.log.text(), "\n  ** Summary **\n\n\tThere were 3 failures.\n"
                          "\n  ** Summary **\n\n\tThere were 3 failures.\n");
}

TEST(LogHeader, StartTimeHasCtimeLayoutWithLeadingZeroDay) {
  std::tm t = {};
  t.tm_year = 114;
  t.tm_mon = 2;
  t.tm_mday = 1;
  t.tm_wday = 6;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  EXPECT_EQ(format_start_time(t), "Sat Mar 01 09:05:07 2014\n");
}

TEST(LogHeader, HeaderAndFooterGoToTheLogUnflushed) {
  FakeWorld w;
  write_log_header(w.run.out, "Sat Mar 01 09:05:07 2014\n");
  write_pass_footer(w.run.out);
  const std::string rule = "  " + std::string(59, '*') + "\n";
  EXPECT_EQ(w.log.text(), "\n  **********************  NEW SESSION  **********************\n" + rule +
                              "               Sat Mar 01 09:05:07 2014\n\n\n" + rule + rule);
  EXPECT_EQ(w.log.flushes, 0);
  EXPECT_EQ(w.console.out, "");
}

}  // namespace
}  // namespace vornel
