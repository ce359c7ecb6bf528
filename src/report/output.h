#ifndef VORNEL_REPORT_OUTPUT_H_
#define VORNEL_REPORT_OUTPUT_H_

#include <string>
#include <string_view>

#include "report/session.h"

namespace vornel {

// Formats a text with printf conversions. The format is always one of the
// utility's own constants, never text from a device or the operator.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A progress or result text: on the console first, then in the log.
void say(Session& s, std::string_view text);

// The same step worded differently on the two sides.
void say(Session& s, std::string_view console_text, std::string_view log_text);

void say_console(Session& s, std::string_view text);
void say_log(Session& s, std::string_view text);
void flush_log(Session& s);

}  // namespace vornel

#endif  // VORNEL_REPORT_OUTPUT_H_
