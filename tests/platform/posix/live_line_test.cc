// The live line on a terminal and its two real users besides the probe: the
// console that must take it down before any text, and the pauses that count
// down on it.
#include "platform/posix/live_line.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "fakes/fakes.h"
#include "platform/posix/console.h"
#include "platform/system_clock.h"

namespace vornel {
namespace {

// What fds 1 and 2 receive while fn runs, in the order written, as one
// terminal sees it when both lead there. fn must not report test failures:
// they would land in the capture.
std::string capture_stdout_and_stderr(const std::function<void()>& fn) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  int saved_out = dup(1);
  int saved_err = dup(2);
  dup2(fds[1], 1);
  dup2(fds[1], 2);
  close(fds[1]);
  fn();
  dup2(saved_out, 1);
  dup2(saved_err, 2);
  close(saved_out);
  close(saved_err);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(fds[0]);
  return text;
}

constexpr char kRestoreCursor[] = "\0338";
constexpr char kEraseBelow[] = "\033[J";

TEST(TerminalLiveLine, ConsoleTakesTheLineDownOnceBeforeItsNextText) {
  std::string out = capture_stdout_and_stderr([] {
    LiveLine line(2);
    SystemConsole console(&line);
    console.write("\tTesting connection   ");
    line.show("pinging 10.0.0.5: 0 of 20 answered, 1 of 10 missed");
    line.show("pinging 10.0.0.5: 0 of 20 answered, 2 of 10 missed");
    console.write("Successful\n");
    line.show("pausing: 3 s");
    console.error("vornel: a note\n");
    console.write("next\n");
  });
  ASSERT_EQ(out.rfind("\tTesting connection   ", 0), 0u) << out;
  EXPECT_NE(out.find("2 of 10 missed"), std::string::npos);
  // Each drawing returns the cursor to where the text ended; the erase comes
  // right before the next text, on standard output and error alike, and once.
  std::size_t first = out.find(kEraseBelow);
  ASSERT_NE(first, std::string::npos) << out;
  EXPECT_EQ(out.substr(first - 2, 2 + 3 + 11),
            std::string(kRestoreCursor) + kEraseBelow + "Successful\n");
  std::size_t last = out.rfind(kRestoreCursor);
  EXPECT_EQ(out.substr(last + 2), std::string(kEraseBelow) + "vornel: a note\nnext\n");
  EXPECT_EQ(out.find(kEraseBelow, first + 1), last + 2);
}

TEST(TerminalLiveLine, NothingExtraWhenNoLineIsShownAndCutToTheWidth) {
  std::string plain = capture_stdout_and_stderr([] {
    LiveLine line(2);
    SystemConsole console(&line);
    line.clear();
    console.write("out\n");
    console.error("err\n");
  });
  EXPECT_EQ(plain, "out\nerr\n");

  // A pipe has no width: the line is cut for 80 columns, leaving the last one free.
  std::string wide = capture_stdout_and_stderr([] {
    LiveLine line(2);
    line.show(std::string(200, 'x'));
    line.clear();
  });
  EXPECT_NE(wide.find(std::string(79, 'x')), std::string::npos);
  EXPECT_EQ(wide.find(std::string(80, 'x')), std::string::npos);
}

TEST(TerminalLiveLine, DestroyingTheLineTakesItDown) {
  // The way an interrupt's exit() leaves: only the static line's destructor runs.
  std::string out = capture_stdout_and_stderr([] {
    LiveLine line(2);
    line.show("pausing: 12 s");
  });
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(out.substr(out.size() - 3), kEraseBelow);
}

// Records each change of the line with the time it came, from construction.
class TimedProgress : public Progress {
 public:
  void show(std::string_view text) override { record("show " + std::string(text)); }
  void clear() override { record("clear"); }
  std::vector<std::string> events;
  std::vector<long> at_ms;

 private:
  void record(const std::string& event) {
    events.push_back(event);
    at_ms.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start_)
                        .count());
  }
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

TEST(SystemSleeper, CountsTheSecondsLeftDownThenTakesTheLineDown) {
  TimedProgress line;
  SystemSleeper sleeper(&line);
  sleeper.sleep_ms(1500);
  ASSERT_EQ(line.events,
            (std::vector<std::string>{"show pausing: 2 s", "show pausing: 1 s", "clear"}));
  // The odd half second goes first, so "1 s" appears when one second is left.
  EXPECT_LT(line.at_ms[0], 100);
  EXPECT_GE(line.at_ms[1], 500);
  EXPECT_LT(line.at_ms[1], 900);
  EXPECT_GE(line.at_ms[2], 1500);
  EXPECT_LT(line.at_ms[2], 2500);
}

}  // namespace
}  // namespace vornel
