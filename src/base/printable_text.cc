#include "base/printable_text.h"

#include <cstddef>
#include <cstdint>

namespace vornel {
namespace {

// The length of the well-formed UTF-8 sequence at text[i] and its code point
// in *point; 0 when none starts there (no overlong forms, no surrogates,
// nothing past U+10FFFF).
std::size_t sequence_at(std::string_view text, std::size_t i, std::uint32_t* point) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    *point = c;
    return 1;
  }
  std::size_t length = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : 2;
  if (c < 0xc2 || c > 0xf4 || i + length > text.size()) return 0;
  std::uint32_t value = c & (0x7f >> length);
  for (std::size_t k = 1; k < length; ++k) {
    unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xc0) != 0x80) return 0;
    value = value << 6 | (next & 0x3f);
  }
  bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
  if (overlong || (value >= 0xd800 && value <= 0xdfff) || value > 0x10ffff) return 0;
  *point = value;
  return length;
}

bool hidden_power(std::uint32_t point) {
  return point < 0x20 || (point >= 0x7f && point <= 0x9f) || point == 0x200e || point == 0x200f ||
         (point >= 0x202a && point <= 0x202e) || (point >= 0x2066 && point <= 0x2069);
}

// text with every byte that begins no well-formed sequence as U+FFFD, and
// every code point `hide` picks as '?'.
template <typename Hide>
std::string cleaned(std::string_view text, Hide hide) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t point = 0;
    std::size_t length = sequence_at(text, i, &point);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (hide(point)) {
      out += '?';
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

}  // namespace

std::string valid_utf8(std::string_view text) {
  return cleaned(text, [](std::uint32_t) { return false; });
}

std::string printable_text(std::string_view text) { return cleaned(text, hidden_power); }

}  // namespace vornel
