#ifndef VORNEL_TARGETS_RUN_TOTALS_H_
#define VORNEL_TARGETS_RUN_TOTALS_H_

#include <cstdint>

#include "targets/target_record.h"

namespace vornel {

// The two process-wide counters. Zero at start, only ever incremented, never
// reset: a later pass reports the failures of the earlier ones too.
struct RunTotals {
  int32_t failure_count = 0;
  int32_t config_ini_detected = 0;  // downloads that found a local "config.ini"
};

// The one way a target fails: its status stored and the failure counted, so
// that every failed target adds exactly one to the count the summary gives.
// The step that finds the failure calls it (the device steps, in device/).
inline void record_failure(RunTotals& totals, TargetRecord* record, TargetStatus status) {
  ++totals.failure_count;
  record->status = status;
}

}  // namespace vornel

#endif  // VORNEL_TARGETS_RUN_TOTALS_H_
