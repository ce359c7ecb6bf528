#ifndef VORNEL_TESTS_FAKES_FAKES_H_
#define VORNEL_TESTS_FAKES_FAKES_H_

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session/env.h"
#include "session/run_context.h"

namespace vornel::testing {

// Standard input from a script of lines; standard output and error recorded.
// When the script runs out, the input has ended.
class ScriptedConsole : public Console {
 public:
  explicit ScriptedConsole(std::vector<std::string> lines = {})
      : lines_(lines.begin(), lines.end()) {}
  bool read_line(std::string* line) override;
  void write(std::string_view text) override { out += text; }
  void error(std::string_view text) override { err += text; }

  void add(const std::string& line) { lines_.push_back(line); }
  std::size_t lines_left() const { return lines_.size(); }
  int reads = 0;
  std::string out;
  std::string err;

 private:
  std::deque<std::string> lines_;
};

// The log as text, with what had been flushed when, so flush points can be checked.
class FakeLog : public LogSink {
 public:
  bool write(std::string_view text, std::string*) override {
    text_ += text;
    return true;
  }
  bool flush(std::string*) override {
    flushed_ = text_;
    ++flushes;
    return true;
  }
  const std::string& text() const { return text_; }
  const std::string& flushed() const { return flushed_; }
  int flushes = 0;

 private:
  std::string text_;
  std::string flushed_;
};

// Local time stands still; the UTC and steady clocks move on by step_ms at
// every reading, so each device's record gets times of its own.
class FixedClock : public Clock {
 public:
  std::tm local_now() override { return now; }
  std::int64_t utc_ms() override { return utc += step_ms; }
  std::int64_t steady_ms() override { return steady += step_ms; }
  std::tm now = {};
  std::int64_t utc = 1764633600000;  // 2025-12-02T00:00:00Z
  std::int64_t steady = 0;
  std::int64_t step_ms = 250;
};

// Records every pause instead of taking it.
class RecordingSleeper : public Sleeper {
 public:
  void sleep_ms(unsigned ms) override {
    pauses.push_back(ms);
    if (on_sleep) on_sleep(ms);
  }
  std::vector<unsigned> pauses;
  std::function<void(unsigned)> on_sleep;
};

// Records the live line's changes in order: "show TEXT" or "clear".
class RecordingProgress : public Progress {
 public:
  void show(std::string_view text) override { events.push_back("show " + std::string(text)); }
  void clear() override { events.push_back("clear"); }
  std::vector<std::string> events;
};

// An FTP client that fails on cue and records every call, together with the
// log text that had been flushed when the call was made. Each session is
// numbered from 0 in login order; its calls are recorded with its number,
// and its end as "quit N".
class FakeFtp : public FtpClient {
 public:
  std::unique_ptr<FtpConnection> login(const char* host, const char* user,
                                       const char* password) override;

  // Login results, one per call in order; when they run out, logins succeed.
  std::deque<bool> logins;
  // What a listing writes into the local file; with no_listing it writes nothing.
  std::string listing = "config.ini\nqopdev-12_r2.5.0-b.bin\n";
  bool no_listing = false;
  // The listing fails and the local file stays as it was, as where the
  // working directory takes no changes.
  bool listing_fails_in_place = false;
  std::string remote_config = "[device]\nname=fake\n";
  bool get_fails = false;
  bool put_fails = false;
  std::vector<std::string> sent;  // the bytes of each put_file, in order

  // "login 10.0.0.5 admin", "get 7 config.ini '10.0.0.5.ini'", "put 7 site.ini"
  // (put_file: the remote name only), "quit 7"...
  std::vector<std::string> calls;
  std::function<void(const std::string& call)> on_call;  // as each call is recorded
  std::vector<std::string> flushed_at_call;
  const FakeLog* log = nullptr;
  int open_sessions = 0;

  void record(const std::string& call);

 private:
  int next_session_ = 0;
};

// An echo facility that answers from a script: 'r' reply, 't' time-out,
// 'e' failure with error_code. When the script runs out, requests time out.
class FakeEcho : public EchoFacility {
 public:
  bool open() override {
    ++opens;
    is_open = open_ok;
    return open_ok;
  }
  EchoResult echo(const char* address, unsigned timeout_ms) override;
  void close() override {
    ++closes;
    is_open = false;
  }

  std::string open_failure_advice() const override { return advice; }

  std::string script;
  bool open_ok = true;
  std::string advice;  // what open_failure_advice() says
  bool is_open = false;
  int error_code = 101;
  int opens = 0;
  int closes = 0;
  std::vector<std::string> addresses;
  unsigned last_timeout_ms = 0;
};

// A whole Env of fakes, wired into a RunContext. The working directory's
// files are the real ones (tests that touch them run in a ScratchDir).
struct FakeWorld {
  FakeWorld();
  ScriptedConsole console;
  FakeLog log;
  FixedClock clock;
  RecordingSleeper sleeper;
  FakeFtp ftp;
  FakeEcho echo;
  RecordingProgress progress;
  Env env;
  RunContext run;

  DeviceContext device() { return device_context(run); }
};

// Makes a fresh temporary directory the working directory for the life of
// the object, and removes it afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& content);
bool file_exists(const std::string& path);

}  // namespace vornel::testing

#endif  // VORNEL_TESTS_FAKES_FAKES_H_
