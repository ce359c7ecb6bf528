// Misbehaving devices met by the libcurl FTP client, with time-outs short
// enough that every failing row ends in seconds. Each row ends with the
// client usable for the next device and nothing partial left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ftp/curl_client.h"
#include "integration/ftp_server.h"
#include "integration/netns.h"

namespace vornel {
namespace {

namespace fs = std::filesystem;
using std::chrono::steady_clock;
using testing::FtpServer;
using testing::read_file;
using testing::write_file;

constexpr FtpTimeouts kShort = {2000, 2000, 1000, 3000, 3000};

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
  EXPECT_EQ(client.login("127.0.0.2", "admin", "secret"), nullptr);
  EXPECT_LT(seconds_since(start), 1.5);  // a hang-up is not a time-out
  EXPECT_EQ(device->count("USER"), 0);

  std::unique_ptr<FtpConnection> next = client.login("127.0.0.3", "admin", "secret");
  ASSERT_NE(next, nullptr);
  next.reset();  // QUIT
}

TEST_F(FtpFaultsTest, RefusedPassiveModeFailsFetchAndStoreAndKeepsTheOlderFile) {
  VORNEL_REQUIRE_NETNS();
  FtpServer* device = start_device("127.0.0.2", {"--refuse-pasv"});
  ASSERT_NE(device, nullptr);
  write_file("config.ini", "kept from the last device\n");
  write_file("site.ini", "[Network]\n");
  CurlFtpClient client(kShort);

  std::unique_ptr<FtpConnection> session = client.login("127.0.0.2", "admin", "secret");
  ASSERT_NE(session, nullptr);
  EXPECT_FALSE(session->get("config.ini", "config.ini"));
  EXPECT_FALSE(session->put("site.ini", "site.ini"));
  session.reset();  // QUIT

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

  std::unique_ptr<FtpConnection> session = client.login("127.0.0.2", "admin", "secret");
  ASSERT_NE(session, nullptr);
  auto start = steady_clock::now();
  EXPECT_FALSE(session->list("", "foundfir.txt"));
  EXPECT_LT(seconds_since(start), 4.0);
  session.reset();  // QUIT
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

  std::unique_ptr<FtpConnection> session = client.login("127.0.0.2", "admin", "secret");
  ASSERT_NE(session, nullptr);
  EXPECT_TRUE(session->get("empty.ini", "empty.ini"));
  EXPECT_TRUE(session->get("large.ini", "large.ini"));
  session.reset();  // QUIT
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
    EXPECT_EQ(client.login(address, "admin", "secret"), nullptr);
  }
  EXPECT_EQ(client.login(nullptr, "admin", "secret"), nullptr);
  EXPECT_EQ(device->connections(), 0);
}

// A device's FTP server is untrusted input. Each row is one hostile
// behaviour, met at the step where a pass would meet it; each must fail (or,
// where the behaviour is harmless, work) within its one time limit, keep no
// partial file, leave an earlier file of the name untouched, keep control
// bytes out of the reply text, and leave the client working for the next
// device.
enum class Step { kLogin, kList, kFetch, kStore };

struct HostileRow {
  const char* what;
  std::vector<std::string> switches;
  Step step;
  bool works;          // the step succeeds (the behaviour is harmless)
  double max_seconds;  // the whole step, the QUIT included
  long long announced = -1;  // a fetch failed for its size: what was announced
};

TEST_F(FtpFaultsTest, HostileDevicesFailWithinTheirLimitAndLeaveNothingBehind) {
  VORNEL_REQUIRE_NETNS();
  const std::string config(45'235, 'c');
  const std::vector<HostileRow> rows = {
      {"greeting drip-fed without end", {"--drip-greeting", "0.2"}, Step::kLogin, false, 3.5},
      {"greeting of endless 220- lines", {"--endless-greeting"}, Step::kLogin, false, 3.5},
      {"reset on PASS", {"--reset-on", "PASS"}, Step::kLogin, false, 1.0},
      {"reset on PASV", {"--reset-on", "PASV"}, Step::kList, false, 1.0},
      {"listing drip-fed", {"--drip-data", "1.5"}, Step::kList, false, 3.5},
      {"listing without end", {"--endless-listing"}, Step::kList, false, 20},
      // A byte every quarter second never trips the stall limit: the
      // listing's own limit ends it.
      {"listing trickled", {"--drip-data", "0.25"}, Step::kList, false, 4.0},
      {"227 without a port", {"--reply", "PASV=227 Entering Passive Mode (127,0,0,2)"},
       Step::kList, false, 1.0},
      {"227 with port 0", {"--reply", "PASV=227 Entering Passive Mode (127,0,0,2,0,0)"},
       Step::kList, false, 1.0},
      {"227 with port 70000",
       {"--reply", "PASV=227 Entering Passive Mode (127,0,0,2,273,112)"}, Step::kList, false,
       1.0},
      {"227 with negative numbers",
       {"--reply", "PASV=227 Entering Passive Mode (127,0,0,2,-1,-20)"}, Step::kList, false, 1.0},
      {"229 with port 70000", {"--reply", "PASV=229 Entering Extended Passive Mode (|||70000|)"},
       Step::kList, false, 1.0},
      {"229 with port 0", {"--reply", "PASV=229 Entering Extended Passive Mode (|||0|)"},
       Step::kList, false, 1.0},
      {"227 naming another address", {"--pasv-address", "127.0.0.99"}, Step::kList, true, 1.0},
      {"control bytes in a reply",
       {"--reply", "PASV=227 \\x1b[2J\\x1b]0;owned\\x07\\x00\\x7f"}, Step::kList,
       false, 1.0},
      {"config.ini drip-fed", {"--drip-data", "1.5"}, Step::kFetch, false, 3.5},
      {"config.ini trickled", {"--drip-data", "0.25"}, Step::kFetch, false, 4.0},
      {"SIZE not understood", {"--reply", "SIZE=502 Command not implemented"}, Step::kFetch,
       true, 1.0},
      {"more bytes than announced", {"--announce-size", "44135"}, Step::kFetch, false, 1.0,
       44'135},
      {"fewer bytes than announced", {"--announce-size", "46000"}, Step::kFetch, false, 1.0,
       46'000},
      // One reply time-out, then the connection is cut: QUIT's answer cannot
      // come and is not waited for.
      {"final reply to RETR drip-fed", {"--drip-final-reply", "0.2"}, Step::kFetch, false, 3.0},
      {"STOR answered 451", {"--reply", "STOR=451 Local error"}, Step::kStore, false, 1.0},
      {"STOR answered 552", {"--reply", "STOR=552 Quota exceeded"}, Step::kStore, false, 1.0},
      // A code that is no answer at all: the stall limit ends the wait.
      {"STOR answered 999", {"--reply", "STOR=999"}, Step::kStore, false, 2.5},
      {"reset on STOR", {"--reset-on", "STOR"}, Step::kStore, false, 1.0},
  };
  ASSERT_NE(start_device("127.0.0.250"), nullptr);  // the next device of the pass
  write_file("site.ini", "[Network]\n");
  CurlFtpClient client(kShort);

  int address = 2;
  for (const HostileRow& row : rows) {
    SCOPED_TRACE(row.what);
    std::string ip = "127.0.0." + std::to_string(address++);
    const std::vector<std::string>& switches = row.switches;
    FtpServer* device = start_device(ip, switches);
    ASSERT_NE(device, nullptr);
    write_file(device->root() / "config.ini", config);
    write_file("config.ini", "kept from the last device\n");
    write_file("foundfir.txt", "qopdev-12_r2.5.0-b.bin\n");  // an earlier device's listing

    auto start = steady_clock::now();
    std::unique_ptr<FtpConnection> session = client.login(ip.c_str(), "admin", "secret");
    bool logged_in = session != nullptr;
    bool result = logged_in;
    std::string reply;
    if (row.step != Step::kLogin && logged_in) {
      if (row.step == Step::kList) result = session->list("", "foundfir.txt");
      if (row.step == Step::kFetch) result = session->get("config.ini", "config.ini");
      if (row.step == Step::kStore) result = session->put("site.ini", "site.ini");
      std::optional<SizeMismatch> mismatch = session->size_mismatch();
      EXPECT_EQ(mismatch.has_value(), row.announced >= 0);
      if (row.announced >= 0 && mismatch) {
        EXPECT_EQ(mismatch->announced, row.announced);
        EXPECT_EQ(mismatch->received, static_cast<long long>(config.size()));
      }
      reply = session->reply();
      session.reset();  // QUIT
    }
    double seconds = seconds_since(start);
    ASSERT_TRUE(row.step == Step::kLogin || logged_in);
    EXPECT_EQ(result, row.works);
    EXPECT_LT(seconds, row.max_seconds);
    for (char c : reply) {
      unsigned char byte = static_cast<unsigned char>(c);
      EXPECT_FALSE(byte < 0x20 && byte != '\n') << "control byte " << int{byte};
      EXPECT_NE(byte, 0x7f);
    }

    bool fetched = row.step == Step::kFetch && row.works;
    EXPECT_TRUE(read_file("config.ini") == (fetched ? config : "kept from the last device\n"));
    EXPECT_EQ(fs::exists("foundfir.txt"), row.step != Step::kList || row.works);
    bool bad_passive = std::any_of(switches.begin(), switches.end(), [](const std::string& arg) {
      return arg.rfind("PASV", 0) == 0;
    });
    if (bad_passive) {
      EXPECT_EQ(device->count("NLST"), 0) << "a data connection was used";
    }
    EXPECT_EQ(names_besides({"config.ini", "site.ini", "foundfir.txt"}),
              std::vector<std::string>{});

    // The scripted device itself must have done what the row says, not died.
    EXPECT_EQ(device->diagnostics().find("Traceback"), std::string::npos) << device->diagnostics();

    std::unique_ptr<FtpConnection> next = client.login("127.0.0.250", "admin", "secret");
    ASSERT_NE(next, nullptr);
    EXPECT_TRUE(next->list("", "foundfir.txt"));
    next.reset();  // QUIT
  }
}

}  // namespace
}  // namespace vornel
