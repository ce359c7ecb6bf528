#include "device/upload.h"

#include "device/texts.h"

namespace vornel {
namespace {

constexpr char kLoadingLabel[] = "\tLoading configuration              ";
constexpr char kUploadFailed[] = "INI file upload failed.\n\n";

}  // namespace

TargetStatus upload_ini_file(const DeviceContext& d, TargetRecord* record, std::FILE* ini_file) {
  std::unique_ptr<FtpConnection> session = login_for_transfer(d, record, kUploadLoginFailed);
  if (!session) return STATUS_LOGIN_FAILED;
  say_console(d.out, kSuccessfulSpaced);
  say_console(d.out, kLoadingLabel);
  say_log(d.out, kSuccessfulSpaced);
  say_log(d.out, kLoadingLabel);
  flush_log(d.out);
  if (!session->put_file(ini_file, record->ini_file_name)) {
    say(d.out, kUploadFailed);
    flush_log(d.out);
    fail_transfer(d, record, session);
    d.sleeper.sleep_ms(kFailedTransferPauseMs);
    return STATUS_TRANSFER_FAILED;
  }
  say(d.out, kSuccessfulPlain, kSuccessfulSpaced);
  flush_log(d.out);
  record->status = STATUS_SUCCESS;
  return STATUS_SUCCESS;
}

}  // namespace vornel
