#include "base/line_buffer.h"

#include <algorithm>
#include <cstring>

namespace vornel {

bool LineBuffer::read_line(std::string* line, std::size_t max_line, const Refill& refill) {
  line->clear();
  bool any = false;
  for (;;) {
    if (begin_ == end_) {
      std::size_t got = 0;
      if (!refill(buffer_, sizeof buffer_, &got) || got == 0) break;
      begin_ = 0;
      end_ = got;
    }
    any = true;
    const char* start = buffer_ + begin_;
    const void* newline = std::memchr(start, '\n', end_ - begin_);
    std::size_t n = newline ? static_cast<const char*>(newline) - start : end_ - begin_;
    if (line->size() < max_line) line->append(start, std::min(n, max_line - line->size()));
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

}  // namespace vornel
