#include "device/ini_support.h"
#include "device/local_file.h"
#include "device/probe.h"
#include "device/texts.h"
#include "device/upload.h"
#include "report/output.h"
#include "session/pass_texts.h"
#include "session/passes.h"

namespace vornel {

void upload_target(RunContext& run, TargetRecord* record) {
  const DeviceContext d = device_context(run);
  say(run.out, format(kUploadingLine, record->ini_file_name, record->ip_address));
  if (!ini_support_step(d, record, &run.notes.firmware)) return;
  FileHandle ini_file = local_file_step(d, record);
  if (!ini_file) return;
  if (!probe_step(d, record, kSuccessfulPlain)) return;
  if (upload_ini_file(d, record, ini_file.get()) == STATUS_SUCCESS) {
    say(run.out, kUploadDone);
    flush_log(run.out);
  }
}

bool run_upload_pass(RunContext& run) { return run_pass(run, kUploadPass, upload_target); }

}  // namespace vornel
