#ifndef VORNEL_REPORT_OUTPUT_H_
#define VORNEL_REPORT_OUTPUT_H_

#include <string>
#include <string_view>

#include "platform/console.h"
#include "platform/log_sink.h"

namespace vornel {

// Where the dialogue goes: the operator's console and the log.
struct Transcript {
  Console& console;
  LogSink& log;
};

// Formats a text with printf conversions. The format is always one of the
// utility's own constants, never text from a device or the operator.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A progress or result text: on the console first, then in the log.
void say(Transcript& out, std::string_view text);

// The same step worded differently on the two sides.
void say(Transcript& out, std::string_view console_text, std::string_view log_text);

void say_console(Transcript& out, std::string_view text);
void say_log(Transcript& out, std::string_view text);
void flush_log(Transcript& out);

}  // namespace vornel

#endif  // VORNEL_REPORT_OUTPUT_H_
