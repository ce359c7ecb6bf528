#ifndef VORNEL_REPORT_LOG_HEADER_H_
#define VORNEL_REPORT_LOG_HEADER_H_

#include <ctime>
#include <string>

#include "report/output.h"

namespace vornel {

// The rule line of the run's header in the log, which also closes every pass in the log.
inline constexpr char kLogRule[] =
    "  ***********************************************************\n";

// The run's start time in the layout "Sat Mar 01 09:05:07 2014\n": English
// names whatever the locale, day of the month with a leading zero.
std::string format_start_time(const std::tm& local);

// Appends the run's header ("NEW SESSION" and the start time) to the log,
// without a flush.
void write_log_header(Transcript& out, const std::string& start_time);

// Appends the pass footer to the log, without a flush.
void write_pass_footer(Transcript& out);

}  // namespace vornel

#endif  // VORNEL_REPORT_LOG_HEADER_H_
