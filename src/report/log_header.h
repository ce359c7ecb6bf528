#ifndef VORNEL_REPORT_SESSION_LOG_H_
#define VORNEL_REPORT_SESSION_LOG_H_

#include <ctime>
#include <string>

#include "report/session.h"

namespace vornel {

// The rule line of the session header, which also closes every pass in the log.
inline constexpr char kLogRule[] =
    "  ***********************************************************\n";

// The session's start time in the layout "Sat Mar 01 09:05:07 2014\n": English
// names whatever the locale, day of the month with a leading zero.
std::string format_start_time(const std::tm& local);

// Appends the session header to the log, without a flush.
void write_session_header(Session& s, const std::string& start_time);

// Appends the pass footer to the log, without a flush.
void write_pass_footer(Session& s);

}  // namespace vornel

#endif  // VORNEL_REPORT_SESSION_LOG_H_
