// Upload and download of one target against a fake FTP client.
#include <gtest/gtest.h>

#include "device/download.h"
#include "device/upload.h"
#include "fakes/fakes.h"

namespace vornel {
namespace {

using testing::FakeWorld;
using testing::ScratchDir;

constexpr char kLoggingIn[] = "\tLogging in                         ";
constexpr char kLoading[] = "\tLoading configuration              ";

TargetRecord target(const char* ip = "10.0.0.5") {
  TargetRecord r;
  std::snprintf(r.ip_address, sizeof r.ip_address, "%s", ip);
  std::snprintf(r.user_name, sizeof r.user_name, "admin");
  std::snprintf(r.ini_file_name, sizeof r.ini_file_name, "site.ini");
  return r;
}

// The INI file as the pass's file check hands it over: open, unread.
FileHandle open_ini(const std::string& content = "[a]\nb=1\n") {
  FileHandle file(std::tmpfile());
  std::fwrite(content.data(), 1, content.size(), file.get());
  std::rewind(file.get());
  return file;
}

TEST(UploadIniFile, SuccessWordsTheLastResultDifferentlyOnEachSide) {
  FakeWorld w;
  TargetRecord r = target();
  FileHandle ini = open_ini();
  EXPECT_EQ(upload_ini_file(w.device(), &r, ini.get()), STATUS_SUCCESS);
  EXPECT_EQ(r.status, STATUS_SUCCESS);
  EXPECT_EQ(w.console.out, std::string(kLoggingIn) + "Successful \n" + kLoading + "Successful\n");
  EXPECT_EQ(w.log.text(), std::string(kLoggingIn) + "Successful \n" + kLoading + "Successful \n");
  EXPECT_EQ(w.log.flushed(), w.log.text());
  EXPECT_EQ(w.ftp.calls,
            (std::vector<std::string>{"login 10.0.0.5 admin", "put 0 site.ini", "quit 0"}));
  EXPECT_EQ(w.ftp.sent, std::vector<std::string>{"[a]\nb=1\n"});  // the open file, sent
  EXPECT_EQ(w.ftp.flushed_at_call[0], kLoggingIn);  // the label is out before the wait
  EXPECT_EQ(w.run.totals.failure_count, 0);
  EXPECT_TRUE(w.sleeper.pauses.empty());
}

TEST(UploadIniFile, FailedLoginQuitsNothingAndPauses) {
  FakeWorld w;
  w.ftp.logins = {false};
  TargetRecord r = target();
  FileHandle ini = open_ini();
  EXPECT_EQ(upload_ini_file(w.device(), &r, ini.get()), STATUS_LOGIN_FAILED);
  EXPECT_EQ(r.status, STATUS_LOGIN_FAILED);
  EXPECT_EQ(w.console.out, std::string(kLoggingIn) + "ERROR: log in failed.\n\n");
  EXPECT_EQ(w.log.flushed(), w.console.out);
  EXPECT_EQ(w.ftp.calls,
            (std::vector<std::string>{"login 10.0.0.5 admin"}));  // no session, no QUIT
  EXPECT_EQ(w.run.totals.failure_count, 1);
  EXPECT_EQ(w.sleeper.pauses, std::vector<unsigned>{15000});
}

TEST(UploadIniFile, FailedTransferQuitsTheSessionAndPauses) {
  FakeWorld w;
  w.ftp.put_fails = true;
  TargetRecord r = target();
  FileHandle ini = open_ini();
  EXPECT_EQ(upload_ini_file(w.device(), &r, ini.get()), STATUS_TRANSFER_FAILED);
  EXPECT_EQ(r.status, STATUS_TRANSFER_FAILED);
  EXPECT_EQ(w.console.out,
            std::string(kLoggingIn) + "Successful \n" + kLoading + "INI file upload failed.\n\n");
  EXPECT_EQ(w.log.flushed(), w.console.out);
  EXPECT_EQ(w.ftp.calls.back(), "quit 0");
  EXPECT_EQ(w.run.totals.failure_count, 1);
  EXPECT_EQ(w.sleeper.pauses, std::vector<unsigned>{15000});
}

TEST(DownloadIniFile, FirstFetchBecomesConfigIniThenAddressNames) {
  ScratchDir dir;
  FakeWorld w;
  TargetRecord a = target("10.0.0.5");
  EXPECT_EQ(download_ini_file(w.device(), &a), STATUS_SUCCESS);
  EXPECT_EQ(a.status, STATUS_SUCCESS);
  EXPECT_EQ(w.ftp.calls[1], "get 0 config.ini ''");
  EXPECT_EQ(w.run.totals.config_ini_detected, 0);
  EXPECT_EQ(testing::read_file("config.ini"), w.ftp.remote_config);
  EXPECT_EQ(w.console.out, std::string(kLoggingIn) + "Successful \n");
  EXPECT_EQ(w.log.flushed(), w.console.out);

  w.ftp.remote_config = "second";
  TargetRecord b = target("1234567890123456789012345");  // 25 characters: a 29-character name
  EXPECT_EQ(download_ini_file(w.device(), &b), STATUS_SUCCESS);
  EXPECT_EQ(w.ftp.calls[4], "get 1 config.ini '1234567890123456789012345.ini'");
  EXPECT_EQ(w.run.totals.config_ini_detected, 1);
  EXPECT_EQ(testing::read_file("1234567890123456789012345.ini"), "second");
  EXPECT_NE(testing::read_file("config.ini"), "second");
  EXPECT_TRUE(w.sleeper.pauses.empty());
}

TEST(DownloadIniFile, UnreadableConfigIniIsStillNeverReplaced) {
  ScratchDir dir;
  testing::write_file("config.ini", "operator's own");
  chmod("config.ini", 0);
  FakeWorld w;
  TargetRecord r = target("10.0.0.5");
  EXPECT_EQ(download_ini_file(w.device(), &r), STATUS_SUCCESS);
  EXPECT_EQ(w.ftp.calls[1], "get 0 config.ini '10.0.0.5.ini'");
  EXPECT_EQ(w.run.totals.config_ini_detected, 1);
}

TEST(DownloadIniFile, FailedLoginCountsTheLocalFileAndPauses) {
  ScratchDir dir;
  testing::write_file("config.ini", "x");
  FakeWorld w;
  w.ftp.logins = {false};
  TargetRecord r = target();
  EXPECT_EQ(download_ini_file(w.device(), &r), STATUS_LOGIN_FAILED);
  EXPECT_EQ(r.status, STATUS_LOGIN_FAILED);
  EXPECT_EQ(w.console.out, std::string(kLoggingIn) + "ERROR: log in failed.\n");
  EXPECT_EQ(w.log.flushed(), w.console.out);
  EXPECT_EQ(w.ftp.calls,
            (std::vector<std::string>{"login 10.0.0.5 admin"}));  // no session, no QUIT
  EXPECT_EQ(w.run.totals.config_ini_detected, 1);
  EXPECT_EQ(w.run.totals.failure_count, 1);
  EXPECT_EQ(w.sleeper.pauses, std::vector<unsigned>{15000});
}

TEST(DownloadIniFile, FailedFetchReportsOnItsOwnLineWithoutPause) {
  ScratchDir dir;
  FakeWorld w;
  w.ftp.get_fails = true;
  TargetRecord r = target();
  EXPECT_EQ(download_ini_file(w.device(), &r), STATUS_TRANSFER_FAILED);
  EXPECT_EQ(r.status, STATUS_TRANSFER_FAILED);
  EXPECT_EQ(w.console.out, std::string(kLoggingIn) + "Successful \n\tINI file download failed.\n");
  EXPECT_EQ(w.log.flushed(), w.console.out);
  EXPECT_EQ(w.ftp.calls.back(), "quit 0");
  EXPECT_EQ(w.run.totals.failure_count, 1);
  EXPECT_TRUE(w.sleeper.pauses.empty());
}

}  // namespace
}  // namespace vornel
