// Misbehaving devices met by the libcurl FTP client, with time-outs short
// enough that every failing row ends in seconds. Each row ends with the
// client usable for the next device and nothing partial left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "integration/ftp_server.h"
#include "integration/netns.h"
#include "platform/ftp_curl.h"

namespace vornel {
namespace {

namespace fs = std::filesystem;
using std::chrono::steady_clock;
using testing::FtpServer;
using testing::read_file;
using testing::write_file;

constexpr FtpTimeouts kShort = {2000, 2000, 1000};

double seconds_since(steady_clock::time_point start) {
  return std::chrono::duration<double>(steady_clock::now() - start).count();
}

class FtpFaultsTest : public testing::DeviceTest {
 protected:
  // Names in the working directory other than those the test wrote.
  std::vector<std::string> names_besides(const std::vector<std::string>& expected) {
    std::vector<std::string> extra;
    for (const auto& entry : fs::directory_iterator(work_)) {
      std::string name = entry.path().filename().string();
      if (std::find(expected.begin(), expected.end(), name) == expected.end()) {
        extra.push_back(name);
      }
    }
    return extra;
  }

};

TEST_F(FtpFaultsTest, HangUpAfterTheGreetingFailsTheLoginAtOnce) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.2", {"--close-after-greeting"});
  ASSERT_NE(device, nullptr);
  ASSERT_NE(start_device("127.0.0.3"), nullptr);
  CurlFtpClient client(kShort);

  auto start = steady_clock::now();
  EXPECT_EQ(client.ftp_login("127.0.0.2", "admin", "secret", ""), -1);
  EXPECT_LT(seconds_since(start), 1.5);  // a hang-up is not a time-out
  EXPECT_EQ(device->count("USER"), 0);

  int next = client.ftp_login("127.0.0.3", "admin", "secret", "");
  ASSERT_NE(next, -1);
  EXPECT_EQ(client.ftp_quit(next), 0);
}

TEST_F(FtpFaultsTest, RefusedPassiveModeFailsFetchAndStoreAndKeepsTheOlderFile) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.2", {"--refuse-pasv"});
  ASSERT_NE(device, nullptr);
  write_file("config.ini", "kept from the last device\n");
  write_file("site.ini", "[Network]\n");
  CurlFtpClient client(kShort);

  int session = client.ftp_login("127.0.0.2", "admin", "secret", "");
  ASSERT_NE(session, -1);
  EXPECT_EQ(client.ftp_get(session, "config.ini", "config.ini"), -1);
  EXPECT_EQ(client.ftp_put(session, "site.ini", "site.ini"), -1);
  EXPECT_EQ(client.ftp_quit(session), 0);

  EXPECT_EQ(read_file("config.ini"), "kept from the last device\n");
  EXPECT_EQ(names_besides({"config.ini", "site.ini"}), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(device->root() / "site.ini"));
  EXPECT_EQ(device->count("RETR"), 0);
  EXPECT_EQ(device->count("STOR"), 0);
}

TEST_F(FtpFaultsTest, ListingThatStallsFailsWithinTheStallTimeoutAndLeavesNoListing) {
  VORNEL_REQUIRE_NETNS();
  std::string names;
  for (int i = 0; names.size() < (1 << 20); ++i) names += "backup_" + std::to_string(i) + "\r\n";
  write_file(scratch_ / "listing", names);
  ASSERT_NE(start_device("127.0.0.2", {"--listing-file", (scratch_ / "listing").string(),
                                       "--stall-data-after", "65536"}),
            nullptr);
  write_file("foundfir.txt", "qopdev-12_r2.5.0-b.bin\n");  // an earlier device's
  CurlFtpClient client(kShort);

  int session = client.ftp_login("127.0.0.2", "admin", "secret", "");
  ASSERT_NE(session, -1);
  auto start = steady_clock::now();
  EXPECT_EQ(client.ftp_ls(session, "", "foundfir.txt"), -1);
  EXPECT_LT(seconds_since(start), 4.0);
  client.ftp_quit(session);
  EXPECT_EQ(names_besides({}), std::vector<std::string>{});
}

TEST_F(FtpFaultsTest, EmptyAndLargeFilesArriveByteExact) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.2");
  ASSERT_NE(device, nullptr);
  std::string large(48 << 20, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 2654435761u >> 24);
  write_file(device->root() / "empty.ini", "");
  write_file(device->root() / "large.ini", large);
  write_file("empty.ini", "an older, longer file\n");
  CurlFtpClient client(kShort);

  int session = client.ftp_login("127.0.0.2", "admin", "secret", "");
  ASSERT_NE(session, -1);
  EXPECT_EQ(client.ftp_get(session, "empty.ini", "empty.ini"), 0);
  EXPECT_EQ(client.ftp_get(session, "large.ini", "large.ini"), 0);
  client.ftp_quit(session);
  EXPECT_TRUE(fs::exists("empty.ini"));
  EXPECT_EQ(fs::file_size("empty.ini"), 0u);
  EXPECT_TRUE(read_file("large.ini") == large);
  EXPECT_EQ(names_besides({"empty.ini", "large.ini"}), std::vector<std::string>{});
}

TEST_F(FtpFaultsTest, AddressesThatAreNoPlainIpv4AreRefusedWithoutConnecting) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.2");
  ASSERT_NE(device, nullptr);
  CurlFtpClient client(kShort);
  // Each could redirect the connection (another port, another host, a user
  // in the URL) or the local "<address>.ini" name (a path).
  for (const char* address :
       {"a/b", "..", "127.0.0.2:2121", "127.0.0.2:21", "[::1]", "::1", "admin@127.0.0.2",
        "admin:secret@127.0.0.2", "127.0.0.2/x", "127.0.0.2#x", "127.0.0.2?x", "127.0.0.2%00",
        "../127.0.0.2", " 127.0.0.2", "127.0.0.2 ", "127.1", "2130706434", "0x7f.0.0.2",
        "127.000.000.002", "localhost", "", "127.0.0.2.", "ftp://127.0.0.2/"}) {
    SCOPED_TRACE(address);
    EXPECT_EQ(client.ftp_login(address, "admin", "secret", ""), -1);
  }
  EXPECT_EQ(client.ftp_login(nullptr, "admin", "secret", ""), -1);
  EXPECT_EQ(device->connections(), 0);
}

}  // namespace
}  // namespace vornel
