#ifndef VORNEL_TESTS_INTEGRATION_FTP_SERVER_H_
#define VORNEL_TESTS_INTEGRATION_FTP_SERVER_H_

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vornel::testing {

// The whole content of a file; "" when it cannot be read.
std::string read_file(const std::filesystem::path& path);

// One line of the device's command log: a command as the device received it
// ("USER admin", "PASS ****") or a connection event ("*connect", "*close").
struct DeviceLogEntry {
  int connection;
  std::string text;
};

// A simulated device (sim/ftp_device.py) serving FTP on address:21 for the
// life of the object. Everything it keeps lives in dir: the login directory
// "root", its command log, its ready file and its stderr.
class FtpServer {
 public:
  FtpServer(std::string address, std::filesystem::path dir,
            const std::vector<std::string>& switches);
  ~FtpServer();

  FtpServer(const FtpServer&) = delete;
  FtpServer& operator=(const FtpServer&) = delete;

  // True once the device listens; false when it died or did not get ready
  // within 10 s (diagnostics() then says what it printed).
  bool ready() const { return ready_; }
  std::string diagnostics() const;

  const std::string& address() const { return address_; }
  std::filesystem::path root() const { return dir_ / "root"; }

  std::vector<DeviceLogEntry> log() const;
  // How many control connections the device accepted.
  int connections() const;
  // Log entries whose text is `command` or begins with "command ".
  int count(const std::string& command) const;

 private:
  bool wait_until_ready();

  std::string address_;
  std::filesystem::path dir_;
  pid_t pid_ = -1;
  bool ready_ = false;
};

// A test that works in a scratch directory of its own: the client in work/
// (the working directory while the test runs), every device in a directory
// named after its address. Devices stop and the scratch goes at the end.
class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts a device on address; nullptr (and a test failure) when it did not come up.
  FtpServer* start_device(const std::string& address, std::vector<std::string> switches = {});

  std::filesystem::path scratch_;
  std::filesystem::path work_;

 private:
  std::filesystem::path old_cwd_;
  std::vector<std::unique_ptr<FtpServer>> devices_;
};

// Writes content to path, replacing what it held.
void write_file(const std::filesystem::path& path, const std::string& content);

}  // namespace vornel::testing

#endif  // VORNEL_TESTS_INTEGRATION_FTP_SERVER_H_
