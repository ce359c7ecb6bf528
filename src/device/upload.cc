#include "device/upload.h"

#include "device/texts.h"
#include "device/transfer_session.h"
#include "report/output.h"

namespace vornel {
namespace {

constexpr char kLoginFailed[] = "ERROR: log in failed.\n\n";
constexpr char kLoadingLabel[] = "\tLoading configuration              ";
constexpr char kUploadFailed[] = "INI file upload failed.\n\n";

}  // namespace

int upload_ini_file(Session& s, TargetRecord* record) {
  int session = login_for_transfer(s, record, kLoginFailed);
  if (session == FtpClient::kNoSession) return 0;
  say_console(s, kSuccessfulSpaced);
  say_console(s, kLoadingLabel);
  say_log(s, kSuccessfulSpaced);
  say_log(s, kLoadingLabel);
  flush_log(s);
  if (s.env.ftp->ftp_put(session, record->ini_file_name, record->ini_file_name) == -1) {
    say(s, kUploadFailed);
    flush_log(s);
    fail_transfer(s, record, session);
    s.env.sleeper->sleep_ms(kFailedTransferPauseMs);
    return 0;
  }
  say(s, kSuccessfulPlain, kSuccessfulSpaced);
  flush_log(s);
  s.env.ftp->ftp_quit(session);
  record->status = STATUS_SUCCESS;
  return 1;
}

}  // namespace vornel
