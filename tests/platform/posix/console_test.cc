#include "platform/posix/console.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

namespace vornel {
namespace {

// Runs reads on a SystemConsole whose standard input is a pipe fed with input.
std::vector<std::string> read_all(const std::string& input) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  int saved_stdin = dup(0);
  dup2(fds[0], 0);
  close(fds[0]);
  std::thread writer([&] {
    write_all(fds[1], input);
    close(fds[1]);
  });
  std::vector<std::string> lines;
  {
    SystemConsole console;
    std::string line;
    while (console.read_line(&line)) lines.push_back(line);
    EXPECT_FALSE(console.read_line(&line));  // stays ended
  }
  writer.join();
  dup2(saved_stdin, 0);
  close(saved_stdin);
  return lines;
}

TEST(SystemConsole, TextLinesWithoutNewlineOrCarriageReturn) {
  EXPECT_EQ(read_all("1\r\nadmin\npass word\r\n\nlast"),
            (std::vector<std::string>{"1", "admin", "pass word", "", "last"}));
  EXPECT_EQ(read_all("a\rb\n"), std::vector<std::string>{"a\rb"});  // only a final CR is dropped
  EXPECT_TRUE(read_all("").empty());
}

TEST(SystemConsole, OverlongLineKeepsItsStartAndDropsTheRest) {
  std::string huge(1 << 20, 'x');
  std::vector<std::string> lines = read_all(huge + "\nnext\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(Console::kMaxLine, 'x'));
  EXPECT_EQ(lines[1], "next");
}

}  // namespace
}  // namespace vornel
