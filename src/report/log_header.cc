#include "report/session_log.h"

#include "report/output.h"

namespace vornel {
namespace {

constexpr char kNewSessionLine[] =
    "\n  **********************  NEW SESSION  **********************\n";
constexpr char kStartTimeLine[] = "               %s\n\n";

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char* name_at(const char* const* names, int count, int index) {
  return index >= 0 && index < count ? names[index] : "???";
}

}  // namespace

std::string format_start_time(const std::tm& t) {
  return format("%s %s %02d %02d:%02d:%02d %d\n", name_at(kDays, 7, t.tm_wday),
                name_at(kMonths, 12, t.tm_mon), t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                t.tm_year + 1900);
}

void write_session_header(Session& s, const std::string& start_time) {
  say_log(s, kNewSessionLine);
  say_log(s, kLogRule);
  say_log(s, format(kStartTimeLine, start_time.c_str()));
  say_log(s, kLogRule);
}

void write_pass_footer(Session& s) { say_log(s, kLogRule); }

}  // namespace vornel
