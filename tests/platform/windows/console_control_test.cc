#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "fakes/fakes.h"
#include "platform/file_log.h"
#include "platform/interrupt.h"
#include "platform/system_clock.h"
#include "platform/windows/console.h"
#include "platform/windows/interrupt_wait.h"

namespace vornel {
namespace {

using std::chrono::steady_clock;

struct EventCase {
  DWORD event;
  int status;
};

// Every event that ends the run, with the exit status a POSIX build gives
// its signal.
constexpr EventCase kEndingEvents[] = {
    {CTRL_C_EVENT, 130},      {CTRL_BREAK_EVENT, 130},    {CTRL_CLOSE_EVENT, 129},
    {CTRL_LOGOFF_EVENT, 143}, {CTRL_SHUTDOWN_EVENT, 143},
};

// Delivers the event the way Windows does: on a thread of its own, while the
// main thread waits.
void deliver_soon(DWORD event) {
  std::thread([event] {
    Sleep(200);
    handle_console_event(event);
  }).detach();
}

// A death test's child runs the test body again from its start, so it takes
// the log's path from the environment its parent set, rather than making a
// scratch directory of its own.
std::string shared_log_path() {
  if (const char* inherited = std::getenv("VORNEL_CONTROL_TEST_LOG")) return inherited;
  std::string name = "vornel-control-" + std::to_string(GetCurrentProcessId()) + ".txt";
  std::string path = (std::filesystem::temp_directory_path() / name).string();
  _putenv_s("VORNEL_CONTROL_TEST_LOG", path.c_str());
  return path;
}

// The main thread in a 15 s pause with unflushed log text: the event ends
// the pause at once, with its status, and the text reaches the file.
void pause_until(DWORD event, const std::string& log_path) {
  install_interrupt_handlers();
  std::string error;
  std::unique_ptr<FileLog> log = FileLog::open(log_path.c_str(), &error);
  if (!log) std::exit(2);
  log->write("line one\nline two\n", &error);
  log.release();  // as in a pass: only the process exit writes it out
  deliver_soon(event);
  SystemSleeper sleeper;
  sleeper.sleep_ms(15000);
  std::exit(0);
}

// The main thread blocked reading an answer from a pipe that stays open.
void read_until(DWORD event) {
  install_interrupt_handlers();
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, nullptr, 0)) std::exit(2);
  SetStdHandle(STD_INPUT_HANDLE, read_end);
  SystemConsole console;
  deliver_soon(event);
  std::string line;
  console.read_line(&line);
  std::exit(0);
}

TEST(ConsoleControlHandlerDeathTest, EndsAPauseAtOnceWithTheSignalsStatusAndWritesTheLogOut) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string log_path = shared_log_path();
  for (const EventCase& c : kEndingEvents) {
    std::remove(log_path.c_str());
    auto start = steady_clock::now();
    EXPECT_EXIT(pause_until(c.event, log_path), ::testing::ExitedWithCode(c.status), "") << c.event;
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(8)) << c.event;
    EXPECT_EQ(testing::read_file(log_path), "line one\r\nline two\r\n") << c.event;
  }
  std::remove(log_path.c_str());
}

TEST(ConsoleControlHandlerDeathTest, EndsAReadFromAPipe) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const EventCase& c : kEndingEvents) {
    auto start = steady_clock::now();
    EXPECT_EXIT(read_until(c.event), ::testing::ExitedWithCode(c.status), "") << c.event;
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(8)) << c.event;
  }
}

TEST(ConsoleControlHandler, LeavesOtherEventsToTheNextHandler) {
  EXPECT_EQ(handle_console_event(7), 0);
  EXPECT_EQ(pending_interrupt(), 0);
}

TEST(ConsoleControlHandlerDeathTest, AbortLooksLikeACrashNotLikeStatusThree) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        install_interrupt_handlers();
        std::abort();
      },
      ::testing::ExitedWithCode(134), "");
}

}  // namespace
}  // namespace vornel
