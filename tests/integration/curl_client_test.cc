// The libcurl FTP client against simulated devices on loopback addresses of
// the test's own network namespace.
#include "ftp/curl_client.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "integration/ftp_server.h"
#include "integration/netns.h"
#include "platform/interrupt.h"

namespace vornel {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::steady_clock;
using testing::FtpServer;
using testing::read_file;
using testing::write_file;

constexpr char kUser[] = "admin";
constexpr char kPassword[] = "secret";
constexpr char kFirmware[] = "qopdev-12_r2.5.0-b.bin";

// Where a device's answer makes the operation fail, these only keep a
// regression from hanging the test for the shipped half minute.
constexpr FtpTimeouts kGuardTimeouts = {5000, 5000, 5000};

// Every byte value, CR and LF among them, so any text-mode conversion shows.
std::string binary_payload(std::size_t size) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 256) & 0xff);
  return data;
}

// Names in dir that only an unfinished download would leave.
std::vector<std::string> leftovers(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    if (name.rfind(".vornel-", 0) == 0) names.push_back(name);
  }
  return names;
}

double seconds_since(steady_clock::time_point start) {
  return std::chrono::duration<double>(steady_clock::now() - start).count();
}

using FtpCurlTest = testing::DeviceTest;

TEST_F(FtpCurlTest, ListingReplacesFoundfirWithTheLoginDirectoryNames) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.1");
  ASSERT_NE(device, nullptr);
  write_file("foundfir.txt", "qopdev-00_r0.0.1-b.bin\nfrom an earlier device\n");
  CurlFtpClient client;

  std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);
  EXPECT_TRUE(session->list("", "foundfir.txt"));
  session.reset();  // QUIT

  EXPECT_EQ(read_file("foundfir.txt"), std::string("config.ini\n") + kFirmware + "\n");
  EXPECT_EQ(device->count("NLST"), 1);
  EXPECT_TRUE(leftovers(work_).empty());
}

TEST_F(FtpCurlTest, ListingIsStoredAsServedWithPlainNewlines) {
  VORNEL_REQUIRE_NETNS();
  std::string junk = std::string("  leading blank\r\n\x01\x7f\xff odd bytes\r\n") +
                     "qop\r\nname\rwith lone cr\r\n" + std::string(300, 'x') + "\r\nno end";
  write_file(scratch_ / "listing", junk);
  ASSERT_NE(start_device("127.0.0.1", {"--listing-file", (scratch_ / "listing").string()}),
            nullptr);
  CurlFtpClient client;

  std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);
  EXPECT_TRUE(session->list("", "foundfir.txt"));
  session.reset();  // QUIT

  std::string expected = std::string("  leading blank\n\x01\x7f\xff odd bytes\n") +
                         "qop\nname\nwith lone cr\n" + std::string(300, 'x') + "\nno end";
  EXPECT_EQ(read_file("foundfir.txt"), expected);
}

TEST_F(FtpCurlTest, FailedListingLeavesNoListingFile) {
  VORNEL_REQUIRE_NETNS();
  // One device never opens a data connection, one cuts the listing short,
  // one sends more than any device's directory could hold.
  std::string names;
  while (names.size() < 4096) names += "firmware_backup_" + std::to_string(names.size()) + "\r\n";
  write_file(scratch_ / "listing", names);
  std::string oversize((64 << 20) + 1, 'n');
  write_file(scratch_ / "oversize", oversize);
  ASSERT_NE(start_device("127.0.0.2", {"--refuse-pasv"}), nullptr);
  ASSERT_NE(start_device("127.0.0.3", {"--listing-file", (scratch_ / "listing").string(),
                                       "--break-data-after", "1000"}),
            nullptr);
  ASSERT_NE(start_device("127.0.0.4", {"--listing-file", (scratch_ / "oversize").string()}),
            nullptr);
  CurlFtpClient client(kGuardTimeouts);

  for (const char* address : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
    SCOPED_TRACE(address);
    write_file("foundfir.txt", std::string(kFirmware) + "\n");
    std::unique_ptr<FtpConnection> session = client.login(address, kUser, kPassword);
    ASSERT_NE(session, nullptr);
    EXPECT_FALSE(session->list("", "foundfir.txt"));
    session.reset();  // QUIT
    EXPECT_FALSE(fs::exists("foundfir.txt"));
    EXPECT_TRUE(leftovers(work_).empty());
  }
}

TEST_F(FtpCurlTest, PutStoresTheFileByteExactUnderItsName) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.1");
  ASSERT_NE(device, nullptr);
  CurlFtpClient client;
  std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);

  // Blanks, '#', '%' and '?' mean something in a URL; the device must get
  // the names as typed.
  const std::vector<std::string> names = {"site.ini", "my site.ini", "a#b%41?.ini"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    std::string content = binary_payload(1000 + 70000 * i);
    write_file(names[i], content);
    EXPECT_TRUE(session->put(names[i].c_str(), names[i].c_str()));
    EXPECT_EQ(read_file(device->root() / names[i]), content);
  }
  session.reset();  // QUIT
  EXPECT_EQ(device->count("STOR a#b%41?.ini"), 1);
}

TEST_F(FtpCurlTest, GetStoresTheWholeFileUnderTheLocalName) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.7");
  ASSERT_NE(device, nullptr);
  std::string content = binary_payload(300000);
  write_file(device->root() / "config.ini", content);
  CurlFtpClient client;
  std::unique_ptr<FtpConnection> session = client.login("127.0.0.7", kUser, kPassword);
  ASSERT_NE(session, nullptr);

  EXPECT_TRUE(session->get("config.ini", ""));
  EXPECT_EQ(read_file("config.ini"), content);
  // With a config.ini at hand, the next device's goes under its address.
  EXPECT_TRUE(session->get("config.ini", "127.0.0.7.ini"));
  EXPECT_EQ(read_file("127.0.0.7.ini"), content);
  session.reset();  // QUIT
  EXPECT_TRUE(leftovers(work_).empty());
}

TEST_F(FtpCurlTest, GetOfAMissingFileLeavesNoFileAndKeepsAnOlderOne) {
  VORNEL_REQUIRE_NETNS();
  ASSERT_NE(start_device("127.0.0.1", {"--no-config"}), nullptr);
  write_file("config.ini", "kept from the last device\n");
  CurlFtpClient client;
  std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);

  EXPECT_FALSE(session->get("config.ini", "127.0.0.1.ini"));
  EXPECT_FALSE(session->get("config.ini", "config.ini"));
  session.reset();  // QUIT

  EXPECT_FALSE(fs::exists("127.0.0.1.ini"));
  EXPECT_EQ(read_file("config.ini"), "kept from the last device\n");
  EXPECT_TRUE(leftovers(work_).empty());
}

TEST_F(FtpCurlTest, DataConnectionBrokenInTheMiddleOfALargeGetFails) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.1", {"--break-data-after", "5000000"});
  ASSERT_NE(device, nullptr);
  write_file(device->root() / "config.ini", binary_payload(20'000'000));
  write_file("config.ini", "kept from the last device\n");
  CurlFtpClient client;
  std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);

  EXPECT_FALSE(session->get("config.ini", "config.ini"));
  session.reset();  // QUIT

  EXPECT_EQ(read_file("config.ini"), "kept from the last device\n");
  EXPECT_TRUE(leftovers(work_).empty());
}

TEST_F(FtpCurlTest, PutCutShortOrRefusedFails) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* refusing = start_device("127.0.0.2", {"--refuse-stor"});
  FtpServer* breaking = start_device("127.0.0.3", {"--break-data-after", "65536"});
  ASSERT_NE(refusing, nullptr);
  ASSERT_NE(breaking, nullptr);
  write_file("site.ini", binary_payload(1 << 20));
  CurlFtpClient client(kGuardTimeouts);

  for (FtpServer* device : {refusing, breaking}) {
    SCOPED_TRACE(device->address());
    std::unique_ptr<FtpConnection> session =
        client.login(device->address().c_str(), kUser, kPassword);
    ASSERT_NE(session, nullptr);
    EXPECT_FALSE(session->put("site.ini", "site.ini"));
    session.reset();  // QUIT
    EXPECT_EQ(device->count("STOR site.ini"), 1);
  }
  EXPECT_FALSE(fs::exists(refusing->root() / "site.ini"));
}

TEST_F(FtpCurlTest, PutOfAMissingLocalFileFailsWithoutTransfer) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.1");
  ASSERT_NE(device, nullptr);
  CurlFtpClient client;
  std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);

  EXPECT_FALSE(session->put("absent.ini", "absent.ini"));
  fs::create_directory("a_directory.ini");
  EXPECT_FALSE(session->put("a_directory.ini", "a_directory.ini"));
  session.reset();  // QUIT
  EXPECT_EQ(device->count("STOR"), 0);
}

TEST_F(FtpCurlTest, RefusedOrBrokenLoginGivesNoSession) {
  VORNEL_REQUIRE_NETNS();
  ASSERT_NE(start_device("127.0.0.2", {"--refuse-login"}), nullptr);
  ASSERT_NE(start_device("127.0.0.3", {"--close-after-user"}), nullptr);
  ASSERT_NE(start_device("127.0.0.4"), nullptr);
  ASSERT_NE(start_device("127.0.0.6", {"--refuse-second-login"}), nullptr);
  CurlFtpClient client(kGuardTimeouts);

  EXPECT_EQ(client.login("127.0.0.2", kUser, kPassword), nullptr);
  EXPECT_EQ(client.login("127.0.0.3", kUser, kPassword), nullptr);
  EXPECT_EQ(client.login("127.0.0.4", kUser, "wrong"), nullptr);
  EXPECT_EQ(client.login("127.0.0.5", kUser, kPassword), nullptr);  // nothing listens

  std::unique_ptr<FtpConnection> first = client.login("127.0.0.6", kUser, kPassword);
  ASSERT_NE(first, nullptr);
  first.reset();  // QUIT
  EXPECT_EQ(client.login("127.0.0.6", kUser, kPassword), nullptr);
}

TEST_F(FtpCurlTest, SilentServerFailsLoginWithinTheTimeout) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.1", {"--silent"});
  ASSERT_NE(device, nullptr);
  CurlFtpClient client({1000, 1000, 1000});

  auto start = steady_clock::now();
  EXPECT_EQ(client.login("127.0.0.1", kUser, kPassword), nullptr);
  double waited = seconds_since(start);

  EXPECT_GE(waited, 0.9);  // it did wait for a greeting
  EXPECT_LT(waited, 4.0);
  EXPECT_EQ(device->connections(), 1);
}

TEST_F(FtpCurlTest, TransferStallingMidwayFailsWithinTheStallTimeout) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.1", {"--stall-data-after", "65536"});
  ASSERT_NE(device, nullptr);
  write_file(device->root() / "config.ini", binary_payload(1 << 20));
  write_file("config.ini", "kept from the last device\n");
  // Larger than the socket buffers, so the upload cannot finish into them.
  write_file("big.ini", binary_payload(16 << 20));
  // The stall time-out is well below the second that curl's own speed check
  // needs at the least, so a stall caught within it was caught by our
  // progress check.
  CurlFtpClient client({2000, 2000, 500});

  std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);
  auto start = steady_clock::now();
  EXPECT_FALSE(session->get("config.ini", "config.ini"));
  EXPECT_LT(seconds_since(start), 2.5);

  session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);
  start = steady_clock::now();
  EXPECT_FALSE(session->put("big.ini", "big.ini"));
  EXPECT_LT(seconds_since(start), 2.5);

  EXPECT_EQ(read_file("config.ini"), "kept from the last device\n");
  EXPECT_TRUE(leftovers(work_).empty());
}

TEST_F(FtpCurlTest, SessionUsesOneConnectionAndOneLogin) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.1");
  ASSERT_NE(device, nullptr);
  write_file("site.ini", "[Network]\nDHCP=1\n");
  CurlFtpClient client;

  std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);
  EXPECT_TRUE(session->list("", "foundfir.txt"));
  EXPECT_TRUE(session->get("config.ini", "config.ini"));
  EXPECT_TRUE(session->put("site.ini", "site.ini"));
  EXPECT_TRUE(session->get("site.ini", "copy.ini"));
  session.reset();  // QUIT

  EXPECT_EQ(device->connections(), 1);
  EXPECT_EQ(device->count("USER"), 1);
  EXPECT_EQ(device->count("PASS"), 1);
  EXPECT_EQ(device->count("CWD"), 0);
  // One switch to text for the listing, one back to binary for the files.
  EXPECT_EQ(device->count("TYPE"), 2);
  std::string last_command;
  for (const testing::DeviceLogEntry& entry : device->log()) {
    if (entry.text[0] != '*') last_command = entry.text;
  }
  EXPECT_EQ(last_command, "QUIT");
}

// libcurl 7.88 can take the PASV reply on a kept connection and then sit a
// full second with nothing to wait on before opening the data connection; it
// happens when the reply is already there as curl looks, so some requests
// stall and others don't. Thirty requests without a stall take a fraction of
// a second; with the fault a quarter of them or more cost a second each.
TEST_F(FtpCurlTest, RequestsOnAKeptConnectionNeverIdleASecondAfterPasv) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.1");
  ASSERT_NE(device, nullptr);
  CurlFtpClient client(kGuardTimeouts);

  std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);
  auto start = steady_clock::now();
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(session->list("", "foundfir.txt"));
  double seconds = seconds_since(start);
  session.reset();  // QUIT

  EXPECT_LT(seconds, 3.0);
  EXPECT_EQ(device->connections(), 1);
  EXPECT_EQ(device->count("PASV"), 30);
}

TEST_F(FtpCurlTest, QuitIsSentOnceWhenTheSessionGoesAndTouchesNoOther) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.1");
  ASSERT_NE(device, nullptr);
  CurlFtpClient client;
  std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);
  std::unique_ptr<FtpConnection> other = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(other, nullptr);

  EXPECT_TRUE(session->list("", "foundfir.txt"));
  EXPECT_EQ(device->count("QUIT"), 0);
  other.reset();
  EXPECT_EQ(device->count("QUIT"), 1);
  EXPECT_TRUE(session->list("", "foundfir.txt"));
  session.reset();
  EXPECT_EQ(device->connections(), 2);
  EXPECT_EQ(device->count("QUIT"), 2);
}

TEST_F(FtpCurlTest, ReplyIsTheLastReply) {
  VORNEL_REQUIRE_NETNS();
  ASSERT_NE(start_device("127.0.0.1"), nullptr);
  CurlFtpClient client;
  std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
  ASSERT_NE(session, nullptr);
  ASSERT_TRUE(session->list("", "foundfir.txt"));
  EXPECT_EQ(session->reply(), "226 Transfer complete.");
}

TEST_F(FtpCurlTest, ControlCharactersNeverReachTheServer) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.9");
  ASSERT_NE(device, nullptr);
  CurlFtpClient client;

  EXPECT_EQ(client.login("127.0.0.9", "admin\r\nDELE config.ini", kPassword), nullptr);
  EXPECT_EQ(client.login("127.0.0.9", kUser, "secret\nDELE config.ini"), nullptr);
  EXPECT_EQ(client.login("127.0.0.9\r\n", kUser, kPassword), nullptr);
  EXPECT_EQ(client.login("127.0.0.9/x", kUser, kPassword), nullptr);
  EXPECT_EQ(device->connections(), 0);

  std::unique_ptr<FtpConnection> session = client.login("127.0.0.9", kUser, kPassword);
  ASSERT_NE(session, nullptr);
  write_file("site.ini", "[Network]\n");
  EXPECT_FALSE(session->get("config.ini\r\nDELE config.ini", "x.ini"));
  EXPECT_FALSE(session->put("site.ini", "site.ini\nDELE config.ini"));
  EXPECT_FALSE(session->list("sub\r\nDELE config.ini", "foundfir.txt"));
  session.reset();  // QUIT

  EXPECT_EQ(device->count("DELE"), 0);
  EXPECT_EQ(device->count("RETR"), 0);
  EXPECT_EQ(device->count("STOR"), 0);
  EXPECT_EQ(device->count("NLST"), 0);
  EXPECT_TRUE(fs::exists(device->root() / "config.ini"));
}

TEST_F(FtpCurlTest, ShippedTimeoutsAreTheDocumentedOnes) {
  VORNEL_REQUIRE_NETNS();
  FtpTimeouts shipped;
  EXPECT_EQ(shipped.connect_ms, 10'000);
  EXPECT_EQ(shipped.reply_ms, 30'000);
  EXPECT_EQ(shipped.stall_ms, 30'000);
  EXPECT_EQ(shipped.listing_ms, 60'000);
  EXPECT_EQ(shipped.transfer_ms, 120'000);
}

// SIGINT during a transfer ends the process with 128 + 2 once the temporary
// file is gone, and leaves the older file of the target name as it was.
TEST_F(FtpCurlTest, InterruptDuringGetExitsAfterCleaningUp) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.1", {"--stall-data-after", "65536"});
  ASSERT_NE(device, nullptr);
  write_file(device->root() / "config.ini", binary_payload(1 << 20));
  write_file("config.ini", "kept from the last device\n");
  // Fork only: a re-executed child would sit in a namespace of its own.
  GTEST_FLAG_SET(death_test_style, "fast");

  auto interrupted_get = [] {
    install_interrupt_handlers();
    CurlFtpClient client;  // shipped time-outs: only the signal can end the stall soon
    std::unique_ptr<FtpConnection> session = client.login("127.0.0.1", kUser, kPassword);
    if (session == nullptr) _exit(1);
    pthread_t transfer_thread = pthread_self();
    std::thread([transfer_thread] {
      std::this_thread::sleep_for(milliseconds(300));
      pthread_kill(transfer_thread, SIGINT);
    }).detach();
    session->get("config.ini", "config.ini");
    _exit(2);  // the get returned instead of ending the process
  };
  auto start = steady_clock::now();
  EXPECT_EXIT(interrupted_get(), ::testing::ExitedWithCode(128 + SIGINT), "");
  // A wait that went on to the 30 s stall time-out did not notice the signal.
  EXPECT_LT(seconds_since(start), 5.0);

  EXPECT_EQ(read_file("config.ini"), "kept from the last device\n");
  EXPECT_TRUE(leftovers(work_).empty());
}

}  // namespace
}  // namespace vornel
