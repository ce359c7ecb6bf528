#include "base/local_name.h"
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

}  // namespace

// The local INI file must be a plain file of the working directory and open
// for reading before anything is sent. The open file is what the upload
// sends, so the name is opened once only: nothing put in its place later is
// sent instead. An empty handle when the check failed (reported, counted).
FileHandle check_local_file(RunContext& run, TargetRecord* record) {
  // Opened before the label: a line on standard error about the file then
  // stands on a line of its own, not inside the label's.
  FileHandle file;
  if (!local_name_refusal(record->ini_file_name)) {
    file = open_named_file(run, record->ini_file_name);
  }
  say(run.out, kFileLabel);
  if (!file) {
    say_console(run.out, kCantOpenFile);
    flush_log(run.out);
    record_failure(run.totals, record, STATUS_FILE_NOT_OPENED);
    return file;
  }
  say(run.out, kSuccessfulSpaced);
  return file;
}

void upload_target(RunContext& run, TargetRecord* record) {
  say(run.out, format(kUploadingLine, record->ini_file_name, record->ip_address));
  if (!pass_check_ini_support(run, record)) return;
  FileHandle ini_file = check_local_file(run, record);
  if (!ini_file) return;
  if (!pass_probe(run, record, kSuccessfulPlain)) return;
  if (upload_ini_file(transfer_context(run), record, ini_file.get()) != 0) {
    say(run.out, kUploadDone);
    flush_log(run.out);
  }
}

bool run_upload_pass(RunContext& run) { return run_pass(run, kUploadPass, upload_target); }

}  // namespace vornel
