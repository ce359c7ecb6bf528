// Whole passes against fakes: the transcript on both sides, statuses,
// counters, flush points and pauses.
#include "session/passes.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fakes/fakes.h"

namespace vornel {
namespace {

using testing::FakeWorld;
using testing::ScratchDir;
using testing::write_file;

const std::string kAnswer20(20, 'r');
const std::string kMiss10(10, 't');

std::string group(const std::string& ip, const std::string& ini) {
  return "SystemIP=" + ip + "\nIniFileName=" + ini + "\nSystemUserName=admin\nSystemPassword=pw\n";
}

constexpr char kBatchPromptUpload[] =
    "  Batch upload file upload_list.txt found \n\t1:  Use parameters in batch file  \n"
    "\t2:  Enter new parameters for single upload \n\t3:  Exit\n\tAction: ";
constexpr char kUploadSuccessTail[] =
    "\n\tChecking for INI support           Successful\n"
    "\tChecking file                      Successful \n"
    "\tTesting connection                 Successful\n"
    "\tLogging in                         Successful \n"
    "\tLoading configuration              Successful";
constexpr char kUploadDone[] = "\tINI upload                         Successful\n";
constexpr char kClosing[] = "\n\tThe results of this session are logged in 'log.txt' \n\n\n";
const std::string kRule = "  " + std::string(59, '*') + "\n";

TEST(UploadPass, TypedInTargetFromPromptToFooter) {
  ScratchDir dir;
  write_file("site.ini", "[a]\nb=1\n");
  FakeWorld w;
  for (const char* line : {"10.0.0.5", "site.ini", "admin", "pw", "1"}) w.console.add(line);
  w.echo.script = kAnswer20;
  ASSERT_TRUE(run_upload_pass(w.run));

  std::string announce = "\n\tUploading site.ini      to       10.0.0.5";
  std::string console_steps = announce + kUploadSuccessTail + "\n" + kUploadDone;
  EXPECT_TRUE(w.console.out.ends_with(
      console_steps + "\n  ** Summary **\n\n\tNo errors detected during this session.\n" +
      kClosing));
  EXPECT_EQ(w.console.out.find("Batch upload file"), std::string::npos);
  std::string log_steps = announce + kUploadSuccessTail + " \n" + kUploadDone;
  EXPECT_EQ(w.log.text(), log_steps +
                              "\n  ** Summary **\n\n\tNo errors detected during this session.\n" +
                              kRule);
  EXPECT_EQ(w.log.flushed(), w.log.text().substr(0, w.log.text().size() - kRule.size()));
  EXPECT_EQ(w.ftp.calls[3], "login 10.0.0.5 admin");  // the second session, for the transfer
  EXPECT_EQ(w.ftp.calls[4], "put 1 site.ini");
  EXPECT_EQ(w.ftp.open_sessions, 0);
}

TEST(UploadPass, SendsTheFileItsCheckOpenedEvenWhenTheNameIsReplacedLater) {
  ScratchDir dir;
  write_file("site.ini", "[checked]\n");
  write_file("other.ini", "[swapped in]\n");
  FakeWorld w;
  for (const char* line : {"10.0.0.5", "site.ini", "admin", "pw", "1"}) w.console.add(line);
  w.echo.script = kAnswer20;
  int logins = 0;
  // After the check, before the transfer: another file takes the name (where
  // the system lets it: Windows keeps the name of an open file).
  std::error_code refused;
  w.ftp.on_call = [&logins, &refused](const std::string& call) {
    if (call.starts_with("login ") && ++logins == 2) {
      std::filesystem::rename("other.ini", "site.ini", refused);
    }
  };
  ASSERT_TRUE(run_upload_pass(w.run));
  EXPECT_EQ(logins, 2);
  EXPECT_EQ(testing::read_file("site.ini"), refused ? "[checked]\n" : "[swapped in]\n");
  EXPECT_EQ(w.ftp.sent, std::vector<std::string>{"[checked]\n"});
}

TEST(UploadPass, BatchOfThreeWhoseSecondDoesNotAnswer) {
  ScratchDir dir;
  write_file("a.ini", "a");
  write_file("upload_list.txt", group("10.0.0.1", "a.ini") + "\n" + group("10.0.0.2", "a.ini") +
                                    group("10.0.0.3", "a.ini"));
  FakeWorld w;
  w.console.add("1x");
  w.echo.script = kAnswer20 + kMiss10 + kAnswer20;
  ASSERT_TRUE(run_upload_pass(w.run));

  EXPECT_TRUE(w.console.out.starts_with(std::string(kBatchPromptUpload) +
                                        "\n\tRunning batch parameters from upload_list.txt\n"));
  EXPECT_TRUE(w.log.text().starts_with("\n\t** Running batch parameters from upload_list.txt **\n"));
  std::string second = "\n\tUploading a.ini      to       10.0.0.2"
                       "\n\tChecking for INI support           Successful\n"
                       "\tChecking file                      Successful \n"
                       "\tTesting connection                   ... ERROR: 10.0.0.2 no response to "
                       "ping.\n\n";
  EXPECT_NE(w.console.out.find(second), std::string::npos);
  // In the log, the probe's own lines stand between the label and the verdict.
  std::string misses;
  for (int i = 0; i < 10; ++i) misses += "  \nPing timeout on 10.0.0.2.\n";
  std::string second_log = second;
  second_log.insert(second.find("  ... ERROR"), misses + "  Failed to ping 10.0.0.2");
  EXPECT_NE(w.log.text().find(second_log), std::string::npos);
  EXPECT_EQ(w.run.totals.failure_count, 1);
  EXPECT_TRUE(w.console.out.ends_with("\n\tThere was 1 failure logged this session.\n"
                                      "\t10.0.0.2:   This address is not responsive.\n" +
                                      std::string(kClosing)));
  int uploads = 0;
  for (const std::string& call : w.ftp.calls) uploads += call.starts_with("put ");
  EXPECT_EQ(uploads, 2);
}

TEST(UploadPass, EachEarlyFailureStopsItsTargetOnly) {
  ScratchDir dir;
  write_file("a.ini", "a");
  write_file("upload_list.txt", group("10.0.0.1", "a.ini") + group("10.0.0.2", "missing.ini") +
                                    group("10.0.0.3", "a.ini"));
  FakeWorld w;
  w.console.add("1");
  // 10.0.0.1: check and transfer log in; 10.0.0.2: check logs in; 10.0.0.3: check fails.
  w.ftp.logins = {true, true, true, false};
  w.echo.script = kAnswer20;
  ASSERT_TRUE(run_upload_pass(w.run));

  EXPECT_NE(w.console.out.find("\n\tUploading missing.ini      to       10.0.0.2"
                               "\n\tChecking for INI support           Successful\n"
                               "\tChecking file                        ... ERROR: Can't open file.\n\n"
                               "\n\tUploading a.ini      to       10.0.0.3"
                               "\n\tChecking for INI support           "
                               "\n\tProblem accessing version information, \n\tsee log for details \n"),
            std::string::npos);
  // The log keeps the file label without a result, then the check's own details.
  EXPECT_NE(w.log.text().find("\tChecking file                      "
                              "\n\tUploading a.ini      to       10.0.0.3"
                              "\n\tChecking for INI support           "
                              "ERROR! Login unsuccessful.\n"),
            std::string::npos);
  EXPECT_EQ(w.run.totals.failure_count, 2);
  EXPECT_EQ(w.echo.addresses.size(), 20u);  // only the first target was probed
  EXPECT_NE(w.console.out.find("\t10.0.0.2:   Could not open file missing.ini.\n"
                               "\t10.0.0.3:   Could not log into the FTP server.\n"),
            std::string::npos);
  EXPECT_NE(w.log.text().find("\t10.0.0.3:   Could not log in to FTP server.\n"), std::string::npos);
}

TEST(UploadPass, OldFirmwareGetsNoFileCheckProbeOrUpload) {
  ScratchDir dir;
  FakeWorld w;
  for (const char* line : {"10.0.0.5", "site.ini", "admin", "pw", "1"}) w.console.add(line);
  w.ftp.listing = "qopdev-12_r2.4.9-b.bin\n";
  ASSERT_TRUE(run_upload_pass(w.run));
  EXPECT_NE(w.console.out.find("\n\tChecking for INI support           Error, INI files not "
                               "supported \n\n  ** Summary **"),
            std::string::npos);
  EXPECT_TRUE(w.log.text().starts_with("\n\tUploading site.ini      to       10.0.0.5"
                                       "\n\tChecking for INI support           \tError, INI "
                                       "files not supported \n"));
  EXPECT_TRUE(w.echo.addresses.empty());
  EXPECT_EQ(w.ftp.calls.size(), 3u);  // the check's session only
  EXPECT_NE(w.console.out.find("\t10.0.0.5:   Does not support INI files.\n"), std::string::npos);
}

TEST(BuildTargetList, BatchPromptAnswersAndFallbacks) {
  ScratchDir dir;
  write_file("upload_list.txt", "no groups here\n");
  FakeWorld w;
  // Unclear answers repeat the prompt; 1 with an empty list falls back to a typed entry.
  for (const char* line : {"", " 1", "4", "x", "12", "10.0.0.5", "a.ini", "u", "p", "1"})
    w.console.add(line);
  w.ftp.logins = {false};
  ASSERT_TRUE(run_upload_pass(w.run));
  std::string retry = std::string(kBatchPromptUpload) + "\t ** Input not understood, please try again **\n";
  EXPECT_TRUE(w.console.out.starts_with(retry + retry + retry + retry + kBatchPromptUpload +
                                        "\n\tIP Address: "));
  EXPECT_EQ(w.console.out.find("Running batch"), std::string::npos);
  EXPECT_EQ(w.log.text().find("Running batch"), std::string::npos);
}

TEST(BuildTargetList, LeavingEndsThePassWithoutSummaryOrFooter) {
  ScratchDir dir;
  write_file("download_list.txt", group("10.0.0.1", "x.ini"));
  for (const std::vector<std::string>& script :
       {std::vector<std::string>{"3", ""}, {"3"}, {}, {"2", "10.0.0.1", "u", "p", "3"}}) {
    FakeWorld w;
    for (const std::string& line : script) w.console.add(line);
    EXPECT_FALSE(run_download_pass(w.run));
    EXPECT_EQ(w.log.text(), "");
    EXPECT_EQ(w.console.out.find("Summary"), std::string::npos);
    EXPECT_EQ(w.console.lines_left(), 0u);
  }
  FakeWorld w;
  w.console.add("3");
  EXPECT_FALSE(run_download_pass(w.run));
  EXPECT_TRUE(w.console.out.ends_with("\tAction: \nPress <Enter> to exit.\n"));
}

TEST(DownloadPass, BatchWithPausesAndTheLocalConfigNote) {
  ScratchDir dir;
  write_file("download_list.txt", group("10.0.0.1", "other.ini") + group("10.0.0.2", "x.ini") +
                                      group("10.0.0.3", "x.ini"));
  FakeWorld w;
  w.console.add("1");
  w.ftp.logins = {true, true, true, true, true, false};  // the third transfer login fails
  w.echo.script = kAnswer20 + kAnswer20 + kAnswer20;
  std::vector<std::string> pause_log;
  w.sleeper.on_sleep = [&](unsigned) { pause_log.push_back(w.log.flushed()); };
  ASSERT_TRUE(run_download_pass(w.run));

  const std::string first =
      "\n\t** Running batch parameters from download_list.txt **\n"
      "\n\tDownloading other.ini    from     10.0.0.1"
      "\n\tChecking for INI support           Successful\n"
      "\tTesting connection                 Successful \n"
      "\tLogging in                         Successful \n"
      "\tINI download                       Successful\n";
  EXPECT_TRUE(w.log.text().starts_with(first));
  EXPECT_NE(w.console.out.find(first), std::string::npos);
  EXPECT_EQ(w.sleeper.pauses, (std::vector<unsigned>{3000, 3000, 15000}));
  EXPECT_TRUE(pause_log[0].ends_with("\tINI download                       Successful\n"));
  EXPECT_TRUE(testing::file_exists("config.ini"));
  EXPECT_TRUE(testing::file_exists("10.0.0.2.ini"));
  EXPECT_EQ(w.run.totals.config_ini_detected, 2);
  EXPECT_EQ(w.console.out.find("Detected config.ini"), std::string::npos);
  EXPECT_TRUE(w.log.text().ends_with(
      "\n  ** Summary **\n"
      "\n\tDetected config.ini file,\n\tsaved new config file(s) as [ipaddress].ini\n"
      "\n\tThere was 1 failure logged this session.\n"
      "\t10.0.0.3:   Could not log in to FTP server.\n" +
      kRule));
}

TEST(DownloadPass, TotalsCarryOverIntoALaterUploadPass) {
  ScratchDir dir;
  FakeWorld w;
  testing::write_file("config.ini", "x");
  for (const char* line : {"10.0.0.5", "u", "p", "1"}) w.console.add(line);
  w.echo.script = kMiss10;
  ASSERT_TRUE(run_download_pass(w.run));
  EXPECT_TRUE(w.sleeper.pauses.empty());  // nothing was fetched: no pause

  write_file("a.ini", "a");
  for (const char* line : {"10.0.0.6", "a.ini", "u", "p", "1"}) w.console.add(line);
  w.echo.script = kAnswer20;
  ASSERT_TRUE(run_upload_pass(w.run));
  // The upload succeeded, but the count covers the run; the config note needs a detected file.
  EXPECT_TRUE(w.console.out.ends_with("\n  ** Summary **\n\n\tThere was 1 failure logged this "
                                      "session.\n" +
                                      std::string(kClosing)));
  EXPECT_EQ(w.run.totals.config_ini_detected, 0);
}

}  // namespace
}  // namespace vornel
