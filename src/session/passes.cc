#include "session/passes.h"

#include "report/log_header.h"
#include "report/summary.h"
#include "targets/target_list.h"

namespace vornel {

void end_pass(RunContext& run, const TargetRecord* first) {
  print_summary(run.out, run.totals, first);
  write_pass_footer(run.out);
}

bool run_pass(RunContext& run, const PassKind& kind, TargetStep take_target) {
  TargetRecord* first = build_target_list(run, kind);
  if (first == nullptr) return false;
  for (TargetRecord* record = first; record != nullptr; record = record->next) {
    take_target(run, record);
  }
  end_pass(run, first);
  free_target_list(first);
  return true;
}

}  // namespace vornel
