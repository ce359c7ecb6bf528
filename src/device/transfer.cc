#include "device/transfer.h"

#include "device/texts.h"

namespace vornel {

namespace {

std::unique_ptr<FtpConnection> login(const TransferContext& t, TargetRecord* record,
                                     const char* failed_text) {
  say(t.out, kLoggingInLabel);
  flush_log(t.out);
  std::unique_ptr<FtpConnection> session =
      t.ftp.login(record->ip_address, record->user_name, record->password);
  if (!session) {
    say(t.out, failed_text);
    flush_log(t.out);
    record_failure(t.totals, record, STATUS_LOGIN_FAILED);
  }
  return session;
}

}  // namespace

std::unique_ptr<FtpConnection> login_for_transfer(const TransferContext& t, TargetRecord* record,
                                                  const char* failed_text) {
  std::unique_ptr<FtpConnection> session = login(t, record, failed_text);
  if (!session) t.sleeper.sleep_ms(kFailedTransferPauseMs);
  return session;
}

bool check_transfer_login(const TransferContext& t, TargetRecord* record,
                          const char* failed_text) {
  std::unique_ptr<FtpConnection> session = login(t, record, failed_text);
  if (!session) return false;
  say(t.out, kSuccessfulSpaced);
  flush_log(t.out);
  return true;
}

void fail_transfer(const TransferContext& t, TargetRecord* record,
                   std::unique_ptr<FtpConnection>& session) {
  record_failure(t.totals, record, STATUS_TRANSFER_FAILED);
  session.reset();
}

}  // namespace vornel
