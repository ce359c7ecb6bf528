#ifndef VORNEL_REPORT_RUN_TOTALS_H_
#define VORNEL_REPORT_RUN_TOTALS_H_

#include <cstdint>

namespace vornel {

// The two process-wide counters. Zero at start, only ever incremented, never
// reset: a later pass reports the failures of the earlier ones too.
struct RunTotals {
  int32_t failure_count = 0;
  int32_t config_ini_detected = 0;  // downloads that found a local "config.ini"
};

}  // namespace vornel

#endif  // VORNEL_REPORT_RUN_TOTALS_H_
