#include "device/ini_support.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"

namespace vornel {
namespace {

using testing::FakeWorld;
using testing::ScratchDir;

TEST(ParseFirmwareVersion, ReadsDigitsAtPositionsNineToTwentyFour) {
  EXPECT_EQ(parse_firmware_version("qopdev-12_r2.4.9-b.bin"), 249);
  EXPECT_EQ(parse_firmware_version("qopdev-12_r2.5.0-b.bin"), 250);
  EXPECT_EQ(parse_firmware_version("qop123456"), 0);    // 9 characters: nothing examined
  EXPECT_EQ(parse_firmware_version("qop1234567"), 7);   // the tenth character is the first examined
  EXPECT_EQ(parse_firmware_version("qop"), 0);
  EXPECT_EQ(parse_firmware_version("config.ini"), 0);
  EXPECT_EQ(parse_firmware_version("qopaaaaaaaaaaaaaaaaaaaaaa9"), 0);  // digit at position 25
  EXPECT_EQ(parse_firmware_version("qopaaaaaa0000000000000250"), 250);  // leading zeros
  EXPECT_EQ(parse_firmware_version("qopaaaaaa9999999999999999"), 2147483647);  // 16 digits
}

struct CheckCase {
  const char* listing;
  IniSupport expected;
};

IniSupport check_with_listing(const std::string& listing) {
  ScratchDir dir;
  FakeWorld w;
  w.ftp.listing = listing;
  TargetRecord record;
  return check_ini_support(w.run.out, w.ftp, *w.env.files, record);
}

TEST(CheckIniSupport, VerdictFromTheFirstFirmwareLine) {
  EXPECT_EQ(check_with_listing("config.ini\nqopdev-12_r2.4.9-b.bin\nqopdev-12_r2.5.0-b.bin\n"),
            IniSupport::kNotSupported);
  EXPECT_EQ(check_with_listing("qopdev-12_r2.5.0-b.bin\r\nconfig.ini\r\n"), IniSupport::kSupported);
  EXPECT_EQ(check_with_listing("qop\nqopdev-12_r2.5.0-b.bin\n"), IniSupport::kNotSupported);
  EXPECT_EQ(check_with_listing("  qopdev-12_r2.5.0-b.bin\nQOPdev-12_r2.5.0-b.bin\nconfig.ini\n"),
            IniSupport::kNotSupported);
  EXPECT_EQ(check_with_listing("qopaaaaaa9999999999999999 trailing\n"), IniSupport::kSupported);
  EXPECT_EQ(check_with_listing(""), IniSupport::kNotSupported);
}

TEST(CheckIniSupport, NoFirmwareImageIsNeverJudgedByTheLastFile) {
  // The last name would read as version 20241231 if it were taken as the firmware.
  EXPECT_EQ(check_with_listing("config.ini\nbackup_2024_12_31.tar\n"), IniSupport::kNotSupported);
}

TEST(CheckIniSupport, SessionCallsAndQuietLog) {
  ScratchDir dir;
  FakeWorld w;
  TargetRecord record;
  std::snprintf(record.ip_address, sizeof record.ip_address, "10.0.0.5");
  std::snprintf(record.user_name, sizeof record.user_name, "admin");
  w.log.write("\n\tChecking for INI support           ", nullptr);
  EXPECT_EQ(check_ini_support(w.run.out, w.ftp, *w.env.files, record), IniSupport::kSupported);
  EXPECT_EQ(w.ftp.calls,
            (std::vector<std::string>{"login 10.0.0.5 admin", "ls 0 '' foundfir.txt", "quit 0"}));
  EXPECT_EQ(w.log.flushed(), "\n\tChecking for INI support           ");  // label pushed out
  EXPECT_EQ(w.console.out, "");
  EXPECT_EQ(w.ftp.open_sessions, 0);
}

TEST(CheckIniSupport, LoginFailureLogsOnceAndOpensNoSession) {
  ScratchDir dir;
  FakeWorld w;
  w.ftp.logins = {false};
  TargetRecord record;
  EXPECT_EQ(check_ini_support(w.run.out, w.ftp, *w.env.files, record), IniSupport::kVersionUnknown);
  EXPECT_EQ(w.log.text(),
            "ERROR! Login unsuccessful.\n\tMake sure the platform is on the network.\n\n");
  EXPECT_EQ(w.log.flushed(), w.log.text());
  EXPECT_EQ(w.ftp.calls, std::vector<std::string>{"login  "});
  EXPECT_EQ(w.console.out, "");
}

TEST(CheckIniSupport, FailedListingIsNotJudgedByAStaleFile) {
  ScratchDir dir;
  testing::write_file("foundfir.txt", "qopdev-12_r2.5.0-b.bin\n");  // an earlier device's
  // Removed by the FTP layer, or left behind where it could not be removed.
  for (bool left_behind : {false, true}) {
    SCOPED_TRACE(left_behind);
    FakeWorld w;
    w.ftp.no_listing = !left_behind;
    w.ftp.listing_fails_in_place = left_behind;
    TargetRecord record;
    EXPECT_EQ(check_ini_support(w.run.out, w.ftp, *w.env.files, record),
              IniSupport::kVersionUnknown);
    EXPECT_EQ(w.log.text(), "File foundfir.txt doesn't exist\n");
    EXPECT_EQ(w.log.flushed(), w.log.text());
    EXPECT_EQ(w.ftp.calls.back(), "quit 0");
    EXPECT_EQ(w.ftp.open_sessions, 0);
  }
}

}  // namespace
}  // namespace vornel
