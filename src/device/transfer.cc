#include "device/transfer.h"

#include "device/texts.h"

namespace vornel {

ScopedFtpSession login_for_transfer(const TransferContext& t, TargetRecord* record,
                                    const char* failed_text) {
  say(t.out, kLoggingInLabel);
  flush_log(t.out);
  ScopedFtpSession session(t.ftp, record->ip_address, record->user_name, record->password);
  if (!session) {
    say(t.out, failed_text);
    flush_log(t.out);
    record_failure(t.totals, record, STATUS_LOGIN_FAILED);
    t.sleeper.sleep_ms(kFailedTransferPauseMs);
  }
  return session;
}

void fail_transfer(const TransferContext& t, TargetRecord* record, ScopedFtpSession& session) {
  record_failure(t.totals, record, STATUS_TRANSFER_FAILED);
  session.end();
}

}  // namespace vornel
