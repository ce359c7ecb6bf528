#include "device/transfer_session.h"

#include "device/texts.h"
#include "report/output.h"

namespace vornel {

int login_for_transfer(Session& s, TargetRecord* record, const char* failed_text) {
  FtpClient& ftp = *s.env.ftp;
  say(s, kLoggingInLabel);
  flush_log(s);
  int session = ftp.ftp_login(record->ip_address, record->user_name, record->password, "");
  if (session == FtpClient::kNoSession) {
    say(s, failed_text);
    flush_log(s);
    ++s.totals.failure_count;
    record->status = STATUS_LOGIN_FAILED;
    ftp.ftp_quit(session);
    s.env.sleeper->sleep_ms(kFailedTransferPauseMs);
  }
  return session;
}

void fail_transfer(Session& s, TargetRecord* record, int session) {
  ++s.totals.failure_count;
  record->status = STATUS_TRANSFER_FAILED;
  s.env.ftp->ftp_quit(session);
}

}  // namespace vornel
