#include "device/upload.h"

#include "device/texts.h"

namespace vornel {
namespace {

constexpr char kLoadingLabel[] = "\tLoading configuration              ";
constexpr char kUploadFailed[] = "INI file upload failed.\n\n";

}  // namespace

int upload_ini_file(const TransferContext& t, TargetRecord* record, std::FILE* ini_file) {
  std::unique_ptr<FtpConnection> session = login_for_transfer(t, record, kUploadLoginFailed);
  if (!session) return 0;
  say_console(t.out, kSuccessfulSpaced);
  say_console(t.out, kLoadingLabel);
  say_log(t.out, kSuccessfulSpaced);
  say_log(t.out, kLoadingLabel);
  flush_log(t.out);
  if (!session->put_file(ini_file, record->ini_file_name)) {
    say(t.out, kUploadFailed);
    flush_log(t.out);
    fail_transfer(t, record, session);
    t.sleeper.sleep_ms(kFailedTransferPauseMs);
    return 0;
  }
  say(t.out, kSuccessfulPlain, kSuccessfulSpaced);
  flush_log(t.out);
  record->status = STATUS_SUCCESS;
  return 1;
}

}  // namespace vornel
