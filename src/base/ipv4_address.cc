#include "base/ipv4_address.h"

#include <cstring>

namespace vornel {

bool parse_ipv4_value(std::string_view text, std::uint32_t* value) {
  unsigned octets[4] = {};
  int count = 0;
  bool in_number = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      if (!in_number) {
        if (++count > 4) return false;
        in_number = true;
      } else if (octets[count - 1] == 0) {
        return false;  // a leading zero
      }
      octets[count - 1] = octets[count - 1] * 10u + static_cast<unsigned>(c - '0');
      if (octets[count - 1] > 255) return false;
    } else if (c == '.' && in_number && count < 4) {
      in_number = false;
    } else {
      return false;
    }
  }
  if (count < 4 || !in_number) return false;
  *value = octets[0] << 24 | octets[1] << 16 | octets[2] << 8 | octets[3];
  return true;
}

bool parse_ipv4_address(const char* text, std::uint32_t* address) {
  std::uint32_t value;
  if (text == nullptr || !parse_ipv4_value(text, &value)) return false;
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
      static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
  std::memcpy(address, bytes, sizeof bytes);
  return true;
}

}  // namespace vornel
