#include "device/download.h"
#include "device/ini_support.h"
#include "device/probe.h"
#include "device/texts.h"
#include "report/output.h"
#include "session/pass_texts.h"
#include "session/passes.h"

namespace vornel {

void download_target(RunContext& run, TargetRecord* record) {
  const DeviceContext d = device_context(run);
  say(run.out, format(kDownloadingLine, record->ini_file_name, record->ip_address));
  if (!ini_support_step(d, record, &run.notes.firmware)) return;
  if (!probe_step(d, record, kSuccessfulSpaced)) return;
  if (download_ini_file(d, record, run.fetched_name, &run.notes.fetched) == STATUS_SUCCESS) {
    say(run.out, kDownloadDone);
    flush_log(run.out);
    run.env.sleeper->sleep_ms(kAfterDownloadPauseMs);
  }
}

bool run_download_pass(RunContext& run) { return run_pass(run, kDownloadPass, download_target); }

}  // namespace vornel
