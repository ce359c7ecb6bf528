#include "platform/terminal.h"

#include <fcntl.h>
#include <unistd.h>

#include "base/file_handle.h"
#include "platform/posix/console.h"
#include "platform/posix/live_line.h"

namespace vornel {
namespace {

constexpr char kTerminal[] = "/dev/tty";
constexpr std::size_t kLongestAnswer = 256;

}  // namespace

bool terminal_available() {
  int fd = open(kTerminal, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}

std::optional<std::string> ask_on_terminal(std::string_view question) {
  int fd = open(kTerminal, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  write_all(fd, question);
  std::string answer;
  char c;
  ssize_t got;
  while ((got = read(fd, &c, 1)) == 1 && c != '\n') {
    if (answer.size() < kLongestAnswer) answer += c;
  }
  close(fd);
  if (got != 1 && answer.empty()) return std::nullopt;
  if (!answer.empty() && answer.back() == '\r') answer.pop_back();
  return answer;
}

std::unique_ptr<Progress> standard_error_live_line() {
  if (!isatty(2)) return std::make_unique<NullProgress>();
  return std::make_unique<LiveLine>(2);
}

}  // namespace vornel
