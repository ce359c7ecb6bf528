// The preflight of vornel-batch check: each target taken through the steps
// of its pass that send nothing (the firmware check, the upload's file check,
// the probe, and a login for the transfer), ending "Ready" or with the status
// and summary line the pass would have given at that step. Its own texts are
// these, worded as the passes word theirs.
#include "device/download.h"
#include "device/texts.h"
#include "device/upload.h"
#include "report/output.h"
#include "session/pass_steps.h"
#include "session/passes.h"

namespace vornel {
namespace {

// Announce a target: its INI file, then its address; no newline at the end,
// as the next step's label starts with one.
constexpr char kCheckUploadLine[] = "\n\tPreflight upload %s      to       %s";
constexpr char kCheckDownloadLine[] = "\n\tPreflight download %s    from     %s";
// The verdict of a target that passed every step.
constexpr char kReady[] = "\tPreflight                          Ready\n";

void end_ready(RunContext& run, TargetRecord* record) {
  say(run.out, kReady);
  flush_log(run.out);
  record->status = STATUS_SUCCESS;
}

}  // namespace

void check_upload_target(RunContext& run, TargetRecord* record) {
  say(run.out, format(kCheckUploadLine, record->ini_file_name, record->ip_address));
  if (!pass_check_ini_support(run, record)) return;
  if (!check_local_file(run, record)) return;
  if (!pass_probe(run, record, kSuccessfulPlain)) return;
  if (!check_transfer_login(transfer_context(run), record, kUploadLoginFailed)) return;
  end_ready(run, record);
}

void check_download_target(RunContext& run, TargetRecord* record) {
  say(run.out, format(kCheckDownloadLine, record->ini_file_name, record->ip_address));
  if (!pass_check_ini_support(run, record)) return;
  if (!pass_probe(run, record, kSuccessfulSpaced)) return;
  if (!check_transfer_login(transfer_context(run), record, kDownloadLoginFailed)) return;
  end_ready(run, record);
}

}  // namespace vornel
