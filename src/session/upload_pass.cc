#include "device/texts.h"
#include "device/upload.h"
#include "report/output.h"
#include "report/pass_texts.h"
#include "session/pass_steps.h"
#include "session/passes.h"

namespace vornel {
namespace {

constexpr char kFileLabel[] = "\tChecking file                      ";
constexpr char kCantOpenFile[] = "  ... ERROR: Can't open file.\n\n";

// The local INI file must open for reading before anything is sent.
bool check_local_file(RunContext& run, TargetRecord* record) {
  say(run.out, kFileLabel);
  if (!run.env.files->open_for_reading(record->ini_file_name)) {
    say_console(run.out, kCantOpenFile);
    flush_log(run.out);
    record_failure(run.totals, record, STATUS_FILE_NOT_OPENED);
    return false;
  }
  say(run.out, kSuccessfulSpaced);
  return true;
}

void upload_target(RunContext& run, TargetRecord* record) {
  say(run.out, format(kUploadingLine, record->ini_file_name, record->ip_address));
  if (!pass_check_ini_support(run, record)) return;
  if (!check_local_file(run, record)) return;
  if (!pass_probe(run, record, kSuccessfulPlain)) return;
  if (upload_ini_file(transfer_context(run), record) != 0) {
    say(run.out, kUploadDone);
    flush_log(run.out);
  }
}

}  // namespace

bool run_upload_pass(RunContext& run) { return run_pass(run, kUploadPass, upload_target); }

}  // namespace vornel
