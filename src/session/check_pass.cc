// The preflight of vornel-batch check: each target taken through the steps
// of its pass that send nothing (the firmware check, the upload's file check,
// the probe, and a login for the transfer), ending "Ready" or with the status
// and summary line the pass would have given at that step. Its own texts are
// these, worded as the passes word theirs.
#include "device/download.h"
#include "device/ini_support.h"
#include "device/local_file.h"
#include "device/probe.h"
#include "device/texts.h"
#include "device/transfer.h"
#include "device/upload.h"
#include "report/output.h"
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
  const DeviceContext d = device_context(run);
  say(run.out, format(kCheckUploadLine, record->ini_file_name, record->ip_address));
  if (!ini_support_step(d, record, &run.notes.firmware)) return;
  if (!local_file_step(d, record)) return;
  if (!probe_step(d, record, kSuccessfulPlain)) return;
  if (!check_transfer_login(d, record, kUploadLoginFailed)) return;
  end_ready(run, record);
}

void check_download_target(RunContext& run, TargetRecord* record) {
  const DeviceContext d = device_context(run);
  say(run.out, format(kCheckDownloadLine, record->ini_file_name, record->ip_address));
  if (!ini_support_step(d, record, &run.notes.firmware)) return;
  if (!probe_step(d, record, kSuccessfulSpaced)) return;
  if (!check_transfer_login(d, record, kDownloadLoginFailed)) return;
  end_ready(run, record);
}

}  // namespace vornel
