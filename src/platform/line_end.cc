#include "platform/line_end.h"

namespace vornel {

std::string with_native_line_ends(std::string_view text) {
  const std::string_view line_end = native_line_end();
  if (line_end == "\n") return std::string(text);
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') {
      out.append(line_end);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace vornel
