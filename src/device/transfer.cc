#include "device/transfer.h"

#include "device/texts.h"

namespace vornel {

namespace {

ScopedFtpSession login(const TransferContext& t, TargetRecord* record, const char* failed_text) {
  say(t.out, kLoggingInLabel);
  flush_log(t.out);
  ScopedFtpSession session(t.ftp, record->ip_address, record->user_name, record->password);
  if (!session) {
    say(t.out, failed_text);
    flush_log(t.out);
    record_failure(t.totals, record, STATUS_LOGIN_FAILED);
  }
  return session;
}

}  // namespace

ScopedFtpSession login_for_transfer(const TransferContext& t, TargetRecord* record,
                                    const char* failed_text) {
  ScopedFtpSession session = login(t, record, failed_text);
  if (!session) t.sleeper.sleep_ms(kFailedTransferPauseMs);
  return session;
}

bool check_transfer_login(const TransferContext& t, TargetRecord* record,
                          const char* failed_text) {
  ScopedFtpSession session = login(t, record, failed_text);
  if (!session) return false;
  say(t.out, kSuccessfulSpaced);
  flush_log(t.out);
  return true;
}

void fail_transfer(const TransferContext& t, TargetRecord* record, ScopedFtpSession& session) {
  record_failure(t.totals, record, STATUS_TRANSFER_FAILED);
  session.end();
}

}  // namespace vornel
