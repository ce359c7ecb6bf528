#ifndef VORNEL_SESSION_RUN_CONTEXT_H_
#define VORNEL_SESSION_RUN_CONTEXT_H_

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "device/device_context.h"
#include "device/download.h"
#include "device/probe.h"
#include "report/output.h"
#include "session/env.h"
#include "targets/run_totals.h"

namespace vornel {

// What the steps learnt of the device being worked, beyond its status: what
// a record of it says (vornel-batch). Cleared before each device.
struct DeviceNotes {
  std::optional<int32_t> firmware;  // the version the firmware check read
  std::string fetched;              // the local name of a fetched file
};

// What lives for the whole run: the outside world, where the dialogue goes,
// the totals, and the prober (which explains a missing ICMP socket once).
// The steps on a device reach their parts through device_context().
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

// What the steps on a device reach of the run. REQUIRES: env.ftp, env.files
// and env.sleeper are set.
inline DeviceContext device_context(RunContext& run) {
  return {.out = run.out,
          .ftp = *run.env.ftp,
          .files = *run.env.files,
          .sleeper = *run.env.sleeper,
          .prober = run.prober,
          .totals = run.totals,
          .file_notices_said = run.file_notices_said};
}

}  // namespace vornel

#endif  // VORNEL_SESSION_RUN_CONTEXT_H_
