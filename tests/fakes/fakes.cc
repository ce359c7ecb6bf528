#include "fakes/fakes.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace vornel::testing {

bool ScriptedConsole::read_line(std::string* line) {
  ++reads;
  if (lines_.empty()) return false;
  *line = lines_.front();
  lines_.pop_front();
  return true;
}

void FakeFtp::record(const std::string& call) {
  calls.push_back(call);
  flushed_at_call.push_back(log ? log->flushed() : "");
  if (on_call) on_call(call);
}

namespace {

class FakeConnection : public FtpConnection {
 public:
  FakeConnection(FakeFtp& ftp, int number) : ftp_(ftp), number_(std::to_string(number)) {
    ++ftp_.open_sessions;
  }
  ~FakeConnection() override {
    ftp_.record("quit " + number_);
    --ftp_.open_sessions;
  }

  bool list(const char* remote_dir, const char* local_file) override {
    ftp_.record("ls " + number_ + " '" + remote_dir + "' " + local_file);
    if (ftp_.listing_fails_in_place) return false;
    if (ftp_.no_listing) {
      std::remove(local_file);
      return false;
    }
    write_file(local_file, ftp_.listing);
    return true;
  }

  bool get(const char* remote_name, const char* local_name) override {
    ftp_.record("get " + number_ + " " + remote_name + " '" + local_name + "'");
    if (ftp_.get_fails) return false;
    write_file(*local_name ? local_name : remote_name, ftp_.remote_config);
    return true;
  }

  bool put(const char* local_name, const char* remote_name) override {
    ftp_.record("put " + number_ + " " + local_name + " " + remote_name);
    return !ftp_.put_fails;
  }

  bool put_file(std::FILE* local_file, const char* remote_name) override {
    ftp_.record("put " + number_ + " " + remote_name);
    std::string bytes;
    char buffer[4096];
    std::size_t n;
    while (local_file != nullptr && (n = std::fread(buffer, 1, sizeof buffer, local_file)) > 0) {
      bytes.append(buffer, n);
    }
    ftp_.sent.push_back(bytes);
    return !ftp_.put_fails;
  }

  std::string reply() const override { return "226 Transfer complete."; }

 private:
  FakeFtp& ftp_;
  std::string number_;
};

}  // namespace

std::unique_ptr<FtpConnection> FakeFtp::login(const char* host, const char* user, const char*) {
  record(std::string("login ") + host + " " + user);
  bool ok = true;
  if (!logins.empty()) {
    ok = logins.front();
    logins.pop_front();
  }
  if (!ok) return nullptr;
  return std::make_unique<FakeConnection>(*this, next_session_++);
}

EchoResult FakeEcho::echo(const char* address, unsigned timeout_ms) {
  addresses.push_back(address);
  last_timeout_ms = timeout_ms;
  char next = 't';
  if (!script.empty()) {
    next = script.front();
    script.erase(0, 1);
  }
  if (next == 'r') return {EchoResult::kReply, 0};
  if (next == 'e') return {EchoResult::kFailure, error_code};
  return {EchoResult::kTimeout, 0};
}

FakeWorld::FakeWorld()
    : env{.console = &console,
          .log = &log,
          .clock = &clock,
          .sleeper = &sleeper,
          .ftp = &ftp,
          .echo = &echo,
          .progress = &progress,
          .files = &working_directory_files()},
      run(make_run_context(env)) {
  ftp.log = &log;
}

ScratchDir::ScratchDir() {
  // A fresh directory under the system's temporary one, on every platform.
  std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device random;
  for (;;) {
    std::filesystem::path candidate = base / ("vornel-test-" + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = candidate.string();
      break;
    }
    if (error) std::abort();  // no temporary directory: no test can run
  }
  previous_ = std::filesystem::current_path().string();
  std::filesystem::current_path(path_);
}

ScratchDir::~ScratchDir() {
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace vornel::testing
