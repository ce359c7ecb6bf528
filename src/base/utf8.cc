#include "base/utf8.h"

namespace vornel {
namespace {

// The length of the well-formed sequence at text[i], or 0.
std::size_t sequence_length(std::string_view text, std::size_t i) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  std::size_t length = c < 0x80           ? 1
                       : (c >> 5) == 0x6  ? 2
                       : (c >> 4) == 0xe  ? 3
                       : (c >> 3) == 0x1e ? 4
                                          : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) return 0;
  }
  if (length == 1) return 1;
  unsigned char next = static_cast<unsigned char>(text[i + 1]);
  bool bad = c < 0xc2 || (c == 0xe0 && next < 0xa0) || (c == 0xed && next > 0x9f) ||
             (c == 0xf0 && next < 0x90) || (c == 0xf4 && next > 0x8f) || c > 0xf4;
  return bad ? 0 : length;
}

}  // namespace

std::string valid_utf8(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = sequence_length(text, i);
    if (length == 0) {
      clean += "\xEF\xBF\xBD";
      ++i;
    } else {
      clean.append(text.substr(i, length));
      i += length;
    }
  }
  return clean;
}

}  // namespace vornel
