#ifndef VORNEL_DEVICE_SCOPED_FTP_SESSION_H_
#define VORNEL_DEVICE_SCOPED_FTP_SESSION_H_

#include <utility>

#include "platform/ftp_client.h"

namespace vornel {

// One FTP session from login to QUIT: logs in when made and quits when it
// goes (or at end(), whichever comes first), so every path out of a device
// operation ends its session exactly once. A failed login holds no session,
// and nothing is quit for it.
class ScopedFtpSession {
 public:
  ScopedFtpSession(FtpClient& ftp, const char* host, const char* user, const char* password)
      : ftp_(&ftp), handle_(ftp.ftp_login(host, user, password, "")) {}
  ~ScopedFtpSession() { end(); }

  ScopedFtpSession(ScopedFtpSession&& other) noexcept
      : ftp_(other.ftp_), handle_(std::exchange(other.handle_, FtpClient::kNoSession)) {}
  ScopedFtpSession(const ScopedFtpSession&) = delete;
  ScopedFtpSession& operator=(const ScopedFtpSession&) = delete;
  ScopedFtpSession& operator=(ScopedFtpSession&&) = delete;

  explicit operator bool() const { return handle_ != FtpClient::kNoSession; }
  // What ftp_login returned: FtpClient::kNoSession after a failed login.
  int handle() const { return handle_; }

  // Quits now; afterwards the object holds no session.
  void end() {
    int handle = std::exchange(handle_, FtpClient::kNoSession);
    if (handle != FtpClient::kNoSession) ftp_->ftp_quit(handle);
  }

 private:
  FtpClient* ftp_;
  int handle_;
};

}  // namespace vornel

#endif  // VORNEL_DEVICE_SCOPED_FTP_SESSION_H_
