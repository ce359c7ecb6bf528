#include "report/output.h"

#include <cstdarg>
#include <cstdio>

namespace vornel {

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(nullptr, 0, fmt, args);
  va_end(args);
  std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size() + 1, fmt, again);
  va_end(again);
  return text;
}

void say(Transcript& out, std::string_view text) { say(out, text, text); }

void say(Transcript& out, std::string_view console_text, std::string_view log_text) {
  say_console(out, console_text);
  say_log(out, log_text);
}

void say_console(Transcript& out, std::string_view text) { out.console.write(text); }

void say_log(Transcript& out, std::string_view text) { out.log.write(text); }

void flush_log(Transcript& out) { out.log.flush(); }

}  // namespace vornel
