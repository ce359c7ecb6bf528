#include "device/download.h"
#include "device/texts.h"
#include "report/output.h"
#include "report/pass_texts.h"
#include "session/pass_steps.h"
#include "session/passes.h"

namespace vornel {

void download_target(RunContext& run, TargetRecord* record) {
  say(run.out, format(kDownloadingLine, record->ini_file_name, record->ip_address));
  if (!pass_check_ini_support(run, record)) return;
  if (!pass_probe(run, record, kSuccessfulSpaced)) return;
  if (download_ini_file(transfer_context(run), *run.env.files, record, run.fetched_name,
                        &run.notes.fetched) != 0) {
    say(run.out, kDownloadDone);
    flush_log(run.out);
    run.env.sleeper->sleep_ms(kAfterDownloadPauseMs);
  }
}

bool run_download_pass(RunContext& run) { return run_pass(run, kDownloadPass, download_target); }

}  // namespace vornel
