#ifndef VORNEL_REPORT_SUMMARY_H_
#define VORNEL_REPORT_SUMMARY_H_

#include "report/output.h"
#include "targets/run_totals.h"
#include "targets/target_record.h"

namespace vornel {

// The end of every pass: the failure count since the run started, and for each
// record of this pass that did not succeed, its address and the reason.
// Writes to the console and the log; changes nothing in the records.
void print_summary(Transcript& out, const RunTotals& totals, const TargetRecord* list);

// Why a record did not succeed, as its summary line says it on the console,
// without the layout around it: "Could not log into the FTP server.",
// "Could not open file site.ini.", "Unknown failure.".
std::string failure_sentence(const TargetRecord& record);

}  // namespace vornel

#endif  // VORNEL_REPORT_SUMMARY_H_
