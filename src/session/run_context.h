#ifndef VORNEL_SESSION_RUN_CONTEXT_H_
#define VORNEL_SESSION_RUN_CONTEXT_H_

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "device/download.h"
#include "device/probe.h"
#include "device/transfer.h"
#include "report/output.h"
#include "report/run_totals.h"
#include "session/env.h"

namespace vornel {

// What the steps learnt of the device being worked, beyond its status: what
// a record of it says (vornel-batch). Cleared before each device.
struct DeviceNotes {
  std::optional<int32_t> firmware;  // the version the firmware check read
  std::string fetched;              // the local name of a fetched file
};

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
  DeviceNotes notes;
  FetchedName fetched_name = FetchedName::kConfigIniFirst;
};

// A fresh run over env. REQUIRES: env.console, env.log, env.echo and
// env.progress are set.
inline RunContext make_run_context(const Env& env) {
  return {env, {*env.console, *env.log}, {}, {*env.echo, *env.progress}, {}, {}, {}, {}};
}

inline TransferContext transfer_context(RunContext& run) {
  return {run.out, *run.env.ftp, *run.env.sleeper, run.totals};
}

}  // namespace vornel

#endif  // VORNEL_SESSION_RUN_CONTEXT_H_
