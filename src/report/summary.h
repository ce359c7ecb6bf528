#ifndef VORNEL_REPORT_SUMMARY_H_
#define VORNEL_REPORT_SUMMARY_H_

#include "report/output.h"
#include "report/run_totals.h"
#include "targets/target_record.h"

namespace vornel {

// The end of every pass: the failure count since the run started, and for each
// record of this pass that did not succeed, its address and the reason.
// Writes to the console and the log; changes nothing in the records.
void print_summary(Transcript& out, const RunTotals& totals, const TargetRecord* list);

}  // namespace vornel

#endif  // VORNEL_REPORT_SUMMARY_H_
