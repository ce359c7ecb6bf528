#include "base/bounded_copy.h"

#include <cstring>

namespace vornel {

// Out of line on purpose: inlined into callers that pass a temporary string,
// GCC's -O2 range analysis reports bounds it cannot prove (-Warray-bounds).
bool copy_bounded(char* dst, std::size_t size, std::string_view src) {
  std::size_t nul = src.find('\0');
  if (nul != std::string_view::npos) src = src.substr(0, nul);
  std::size_t n = src.size() < size - 1 ? src.size() : size - 1;
  std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
  return n == src.size();
}

}  // namespace vornel
