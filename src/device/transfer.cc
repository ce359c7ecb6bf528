#include "device/transfer.h"

#include "device/texts.h"

namespace vornel {

namespace {

std::unique_ptr<FtpConnection> login(const DeviceContext& d, TargetRecord* record,
                                     const char* failed_text) {
  say(d.out, kLoggingInLabel);
  flush_log(d.out);
  std::unique_ptr<FtpConnection> session =
      d.ftp.login(record->ip_address, record->user_name, record->password);
  if (!session) {
    say(d.out, failed_text);
    flush_log(d.out);
    record_failure(d.totals, record, STATUS_LOGIN_FAILED);
  }
  return session;
}

}  // namespace

std::unique_ptr<FtpConnection> login_for_transfer(const DeviceContext& d, TargetRecord* record,
                                                  const char* failed_text) {
  std::unique_ptr<FtpConnection> session = login(d, record, failed_text);
  if (!session) d.sleeper.sleep_ms(kFailedTransferPauseMs);
  return session;
}

bool check_transfer_login(const DeviceContext& d, TargetRecord* record, const char* failed_text) {
  std::unique_ptr<FtpConnection> session = login(d, record, failed_text);
  if (!session) return false;
  say(d.out, kSuccessfulSpaced);
  flush_log(d.out);
  return true;
}

void fail_transfer(const DeviceContext& d, TargetRecord* record,
                   std::unique_ptr<FtpConnection>& session) {
  record_failure(d.totals, record, STATUS_TRANSFER_FAILED);
  session.reset();
}

}  // namespace vornel
