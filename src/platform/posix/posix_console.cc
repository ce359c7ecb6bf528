#include "platform/posix/posix_console.h"

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

bool PosixConsole::fill() {
  if (ended_) return false;
  for (;;) {
    exit_if_interrupted();
    ssize_t n = ::read(0, buffer_, sizeof buffer_);
    if (n > 0) {
      begin_ = 0;
      end_ = static_cast<std::size_t>(n);
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    ended_ = true;
    return false;
  }
}

bool PosixConsole::read_line(std::string* line) {
  line->clear();
  bool any = false;
  for (;;) {
    if (begin_ == end_ && !fill()) break;
    any = true;
    const char* start = buffer_ + begin_;
    const void* newline = std::memchr(start, '\n', end_ - begin_);
    std::size_t n = newline ? static_cast<const char*>(newline) - start : end_ - begin_;
    if (line->size() < kMaxLine) line->append(start, std::min(n, kMaxLine - line->size()));
    begin_ += n;
    if (newline) {
      ++begin_;
      break;
    }
  }
  if (!any) return false;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

void PosixConsole::write(std::string_view text) {
  live_line_->clear();
  write_all(1, text);
}

void PosixConsole::error(std::string_view text) {
  live_line_->clear();
  write_all(2, text);
}

}  // namespace vornel
