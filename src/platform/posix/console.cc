#include "platform/posix/console.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/interrupt.h"

namespace vornel {

void write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) {
        exit_if_interrupted();
        continue;
      }
      return;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

bool SystemConsole::fill(char* into, std::size_t room, std::size_t* got) {
  if (ended_) return false;
  for (;;) {
    exit_if_interrupted();
    ssize_t n = ::read(0, into, room);
    if (n > 0) {
      *got = static_cast<std::size_t>(n);
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    ended_ = true;
    return false;
  }
}

bool SystemConsole::read_line(std::string* line) {
  return input_.read_line(line, kMaxLine, [this](char* into, std::size_t room, std::size_t* got) {
    return fill(into, room, got);
  });
}

void SystemConsole::write(std::string_view text) {
  live_line_->clear();
  write_all(1, text);
}

void SystemConsole::error(std::string_view text) {
  live_line_->clear();
  write_all(2, text);
}

}  // namespace vornel
