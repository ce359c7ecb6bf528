#ifndef VORNEL_REPORT_SESSION_H_
#define VORNEL_REPORT_SESSION_H_

#include <cstdint>

#include "platform/env.h"

namespace vornel {

// The two process-wide counters. Zero at start, only ever incremented, never
// reset: a later pass reports the failures of the earlier ones too.
struct SessionTotals {
  int32_t failure_count = 0;
  int32_t config_ini_detected = 0;  // downloads that found a local "config.ini"
};

// What lives for the whole run: the outside world and the totals.
struct Session {
  Env env;
  SessionTotals totals;
  bool echo_warning_shown = false;  // the "no ICMP socket" hint is given once a run
};

}  // namespace vornel

#endif  // VORNEL_REPORT_SESSION_H_
