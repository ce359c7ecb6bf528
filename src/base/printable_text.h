#ifndef VORNEL_BASE_PRINTABLE_TEXT_H_
#define VORNEL_BASE_PRINTABLE_TEXT_H_

#include <string>
#include <string_view>

namespace vornel {

// text as valid UTF-8: every byte that is no part of a well-formed sequence
// (a stray continuation byte, a sequence cut short, an overlong form, a
// surrogate, a code point past U+10FFFF) becomes U+FFFD. A list or a device
// may hold any byte; the records made for other programs hold text those
// programs can read.
std::string valid_utf8(std::string_view text);

// Text that a list, a device or a host put somewhere, made fit to be shown on
// a page or in a metrics file: valid UTF-8 (a byte that is no part of a
// well-formed sequence becomes U+FFFD), and every control character (U+0000
// to U+001F, U+007F to U+009F) and every bidirectional formatting character
// (U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069) becomes '?', so that
// no value acts on what shows it or shows itself as another.
std::string printable_text(std::string_view text);

}  // namespace vornel

#endif  // VORNEL_BASE_PRINTABLE_TEXT_H_
