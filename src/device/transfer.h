#ifndef VORNEL_DEVICE_TRANSFER_H_
#define VORNEL_DEVICE_TRANSFER_H_

#include <memory>

#include "device/device_context.h"
#include "ftp/client.h"
#include "targets/target_record.h"

namespace vornel {

// A failed transfer is followed by this pause, so a struggling device gets a
// moment before the next one is tried.
inline constexpr unsigned kFailedTransferPauseMs = 15000;

// Shows the "Logging in" label (flushed, so it is out before the wait) and
// logs in to the record's device. When the login fails, failed_text completes
// the label on both sides, the failure is counted and stored, and after the
// pause no session is returned.
std::unique_ptr<FtpConnection> login_for_transfer(const DeviceContext& d, TargetRecord* record,
                                                  const char* failed_text);

// The preflight's login: the label and the login as login_for_transfer, a
// failure reported, counted and stored the same way but without the pause;
// a session that opened is quit at once, with "Successful \n" after the
// label. True when the device let the user in.
bool check_transfer_login(const DeviceContext& d, TargetRecord* record, const char* failed_text);

// A transfer that failed inside its session: counted, stored as
// STATUS_TRANSFER_FAILED, session ended. The caller has reported it.
void fail_transfer(const DeviceContext& d, TargetRecord* record,
                   std::unique_ptr<FtpConnection>& session);

}  // namespace vornel

#endif  // VORNEL_DEVICE_TRANSFER_H_
