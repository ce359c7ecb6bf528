#ifndef VORNEL_DEVICE_TRANSFER_SESSION_H_
#define VORNEL_DEVICE_TRANSFER_SESSION_H_

#include "report/session.h"
#include "targets/target_record.h"

namespace vornel {

// A failed transfer is followed by this pause, so a struggling device gets a
// moment before the next one is tried.
inline constexpr unsigned kFailedTransferPauseMs = 15000;

// The FTP session a transfer runs in. login_for_transfer() shows the
// "Logging in" label (flushed, so it is out before the wait) and logs in.
// When the login fails, failed_text completes the label on both sides, the
// failure is counted and stored, and after the pause it returns -1.
int login_for_transfer(Session& s, TargetRecord* record, const char* failed_text);

// A transfer that failed inside its session: counted, stored as
// STATUS_TRANSFER_FAILED, session ended. The caller has reported it.
void fail_transfer(Session& s, TargetRecord* record, int session);

}  // namespace vornel

#endif  // VORNEL_DEVICE_TRANSFER_SESSION_H_
