#include "report/log_header.h"

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

void write_log_header(Transcript& out, const std::string& start_time) {
  say_log(out, kNewSessionLine);
  say_log(out, kLogRule);
  say_log(out, format(kStartTimeLine, start_time.c_str()));
  say_log(out, kLogRule);
}

void write_pass_footer(Transcript& out) { say_log(out, kLogRule); }

}  // namespace vornel
