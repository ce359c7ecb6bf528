#include "integration/ftp_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>

namespace vornel::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Waits for the child to end, at most `limit`. True when it was reaped.
bool reap_within(pid_t pid, milliseconds limit) {
  auto deadline = steady_clock::now() + limit;
  do {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(milliseconds(10));
  } while (steady_clock::now() < deadline);
  return false;
}

}  // namespace

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

FtpServer::FtpServer(std::string address, std::filesystem::path dir,
                     const std::vector<std::string>& switches)
    : address_(std::move(address)), dir_(std::move(dir)) {
  std::filesystem::create_directories(dir_);
  std::vector<std::string> args = {"/usr/bin/python3", VORNEL_SOURCE_DIR "/sim/ftp_device.py",
                                   "--address",        address_,
                                   "--root",           root().string(),
                                   "--command-log",    (dir_ / "commands.log").string(),
                                   "--ready-file",     (dir_ / "ready").string()};
  args.insert(args.end(), switches.begin(), switches.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::string err_path = (dir_ / "stderr").string();
  posix_spawn_file_actions_addopen(&actions, 1, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  ready_ = pid_ > 0 && wait_until_ready();
}

FtpServer::~FtpServer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  if (!reap_within(pid_, milliseconds(2000))) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

// The simulator's ready handshake (sim/devices.py says it once for every
// launcher): the ready file is renamed into place whole once every address
// listens, one "ADDR PORT PID" line each; the device is up when it names ours.
bool FtpServer::wait_until_ready() {
  auto deadline = steady_clock::now() + milliseconds(10'000);
  while (steady_clock::now() < deadline) {
    std::istringstream lines(read_file(dir_ / "ready"));
    std::string listed;
    while (lines >> listed) {
      if (listed == address_) return true;
      lines.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;  // died before it listened
      return false;
    }
    std::this_thread::sleep_for(milliseconds(20));
  }
  return false;
}

std::string FtpServer::diagnostics() const {
  return "device " + address_ + " printed:\n" + read_file(dir_ / "stderr");
}

std::vector<DeviceLogEntry> FtpServer::log() const {
  std::vector<DeviceLogEntry> entries;
  std::istringstream lines(read_file(dir_ / "commands.log"));
  std::string line;
  while (std::getline(lines, line)) {
    std::string::size_type space = line.find(' ');
    if (space == std::string::npos) continue;
    entries.push_back({std::stoi(line.substr(0, space)), line.substr(space + 1)});
  }
  return entries;
}

int FtpServer::connections() const { return count("*connect"); }

int FtpServer::count(const std::string& command) const {
  int n = 0;
  for (const DeviceLogEntry& entry : log()) {
    if (entry.text == command || entry.text.rfind(command + " ", 0) == 0) ++n;
  }
  return n;
}

void DeviceTest::SetUp() {
  char pattern[] = "/tmp/vornel-ftp-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  scratch_ = pattern;
  work_ = scratch_ / "work";
  std::filesystem::create_directories(work_);
  old_cwd_ = std::filesystem::current_path();
  std::filesystem::current_path(work_);
}

void DeviceTest::TearDown() {
  devices_.clear();
  std::filesystem::current_path(old_cwd_);
  std::error_code ignored;
  std::filesystem::remove_all(scratch_, ignored);
}

FtpServer* DeviceTest::start_device(const std::string& address,
                                    std::vector<std::string> switches) {
  auto device = std::make_unique<FtpServer>(address, scratch_ / address, switches);
  if (!device->ready()) {
    ADD_FAILURE() << device->diagnostics();
    return nullptr;
  }
  devices_.push_back(std::move(device));
  return devices_.back().get();
}

void write_file(const std::filesystem::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

}  // namespace vornel::testing
