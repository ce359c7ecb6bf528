#include "device/upload.h"

#include "device/texts.h"
#include "report/output.h"

namespace vornel {
namespace {

constexpr char kLoginFailed[] = "ERROR: log in failed.\n\n";
constexpr char kLoadingLabel[] = "\tLoading configuration              ";
constexpr char kUploadFailed[] = "INI file upload failed.\n\n";

}  // namespace

int upload_ini_file(Session& s, TargetRecord* record) {
  FtpClient& ftp = *s.env.ftp;
  say(s, kLoggingInLabel);
  flush_log(s);
  int session = ftp.ftp_login(record->ip_address, record->user_name, record->password, "");
  if (session == FtpClient::kNoSession) {
    say(s, kLoginFailed);
    flush_log(s);
    ++s.totals.failure_count;
    record->status = STATUS_LOGIN_FAILED;
    ftp.ftp_quit(session);
    s.env.sleeper->sleep_ms(kFailedTransferPauseMs);
    return 0;
  }
  say_console(s, kSuccessfulSpaced);
  say_console(s, kLoadingLabel);
  say_log(s, kSuccessfulSpaced);
  say_log(s, kLoadingLabel);
  flush_log(s);
  if (ftp.ftp_put(session, record->ini_file_name, record->ini_file_name) == -1) {
    say(s, kUploadFailed);
    flush_log(s);
    ++s.totals.failure_count;
    record->status = STATUS_TRANSFER_FAILED;
    ftp.ftp_quit(session);
    s.env.sleeper->sleep_ms(kFailedTransferPauseMs);
    return 0;
  }
  say(s, kSuccessfulPlain, kSuccessfulSpaced);
  flush_log(s);
  ftp.ftp_quit(session);
  record->status = STATUS_SUCCESS;
  return 1;
}

}  // namespace vornel
