#ifndef VORNEL_BASE_BOUNDED_COPY_H_
#define VORNEL_BASE_BOUNDED_COPY_H_

#include <cstddef>
#include <string_view>

namespace vornel {

// The one way text enters a fixed-width buffer. Copies at most size-1 bytes of
// src, always terminates dst, and returns false when src did not fit (dst then
// holds the cut text). A NUL inside src ends the text, as it would for any
// C string reader of the buffer.
// REQUIRES: size > 0.
bool copy_bounded(char* dst, std::size_t size, std::string_view src);

template <std::size_t N>
inline bool copy_bounded(char (&dst)[N], std::string_view src) {
  return copy_bounded(dst, N, src);
}

}  // namespace vornel

#endif  // VORNEL_BASE_BOUNDED_COPY_H_
