#ifndef VORNEL_PLATFORM_LINE_END_H_
#define VORNEL_PLATFORM_LINE_END_H_

#include <string>
#include <string_view>

namespace vornel {

// How this platform ends a line of text written for the operator: "\n" on
// POSIX systems, "\r\n" on Windows. Only the console, the session log and the
// listing file use it; transferred files are never translated.
std::string_view native_line_end();

// text with each '\n' written as native_line_end().
std::string with_native_line_ends(std::string_view text);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_LINE_END_H_
