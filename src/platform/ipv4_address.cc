#include "platform/ipv4_address.h"

#include <cstring>

namespace vornel {

bool parse_ipv4_address(const char* text, std::uint32_t* address) {
  if (text == nullptr) return false;
  unsigned char octets[4] = {};
  int count = 0;
  bool in_number = false;
  for (const char* p = text; *p != '\0'; ++p) {
    char c = *p;
    if (c >= '0' && c <= '9') {
      if (!in_number) {
        if (++count > 4) return false;
        in_number = true;
      } else if (octets[count - 1] == 0) {
        return false;  // a leading zero
      }
      unsigned value = octets[count - 1] * 10u + static_cast<unsigned>(c - '0');
      if (value > 255) return false;
      octets[count - 1] = static_cast<unsigned char>(value);
    } else if (c == '.' && in_number && count < 4) {
      in_number = false;
    } else {
      return false;
    }
  }
  if (count < 4 || !in_number) return false;
  std::memcpy(address, octets, sizeof octets);
  return true;
}

}  // namespace vornel
