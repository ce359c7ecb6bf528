#ifndef VORNEL_BASE_UTF8_H_
#define VORNEL_BASE_UTF8_H_

#include <string>
#include <string_view>

namespace vornel {

// text as valid UTF-8: every byte that does not begin a well-formed
// sequence (a stray continuation byte, a sequence cut short, an overlong
// form, a surrogate, a code point past U+10FFFF) becomes U+FFFD. A list or a
// device may hold any byte; the files and records made for other programs
// hold text those programs can read.
std::string valid_utf8(std::string_view text);

}  // namespace vornel

#endif  // VORNEL_BASE_UTF8_H_
