#ifndef VORNEL_REPORT_SUMMARY_H_
#define VORNEL_REPORT_SUMMARY_H_

#include "report/session.h"
#include "targets/target_record.h"

namespace vornel {

// The end of every pass: the failure count since the run started, and for each
// record of this pass that did not succeed, its address and the reason.
// Writes to the console and the log; changes nothing in the records.
void print_summary(Session& s, const TargetRecord* list);

}  // namespace vornel

#endif  // VORNEL_REPORT_SUMMARY_H_
