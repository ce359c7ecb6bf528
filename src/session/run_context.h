#ifndef VORNEL_SESSION_RUN_CONTEXT_H_
#define VORNEL_SESSION_RUN_CONTEXT_H_

#include <set>
#include <string>

#include "device/probe.h"
#include "device/transfer.h"
#include "platform/env.h"
#include "report/output.h"
#include "report/run_totals.h"

namespace vornel {

// What lives for the whole run: the outside world, where the dialogue goes,
// the totals, and the prober (which explains a missing ICMP socket once).
// Each device operation is handed only the parts it uses.
struct RunContext {
  Env env;
  Transcript out;
  RunTotals totals;
  Prober prober;
  // The batch lists already said to be readable by other users: said once a run.
  std::set<std::string> shared_lists_said;
  // What opening the working directory's files had to say, said once a run.
  std::set<std::string> file_notices_said;
};

// A fresh run over env. REQUIRES: env.console, env.log, env.echo and
// env.progress are set.
inline RunContext make_run_context(const Env& env) {
  return {env, {*env.console, *env.log}, {}, {*env.echo, *env.progress}, {}, {}};
}

inline TransferContext transfer_context(RunContext& run) {
  return {run.out, *run.env.ftp, *run.env.sleeper, run.totals};
}

}  // namespace vornel

#endif  // VORNEL_SESSION_RUN_CONTEXT_H_
