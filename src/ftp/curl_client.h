#ifndef VORNEL_FTP_CURL_CLIENT_H_
#define VORNEL_FTP_CURL_CLIENT_H_

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "ftp/client.h"
#include "ftp/timeouts.h"

namespace vornel {

class FtpSession;

// The FTP client on libcurl. A session is one control connection to port 21
// of a dotted-decimal IPv4 address, logged in once and kept open until the
// connection object goes, so every operation of a session reuses that
// connection. Transfers are passive and binary; a listing is fetched with NLST.
//
// Refused without a byte sent: a host that is not a dotted-decimal IPv4
// address, and a user name, password, remote name or directory that holds a
// control character (CR and LF would end the FTP command and start another).
// Credentials travel only in USER and PASS; this layer writes them nowhere.
//
// A signal noted by the interrupt handlers aborts the running operation; its
// temporary file is removed and exit_if_interrupted() ends the process.
class CurlFtpClient : public FtpClient {
 public:
  explicit CurlFtpClient(FtpTimeouts timeouts = {});
  ~CurlFtpClient() override;

  CurlFtpClient(const CurlFtpClient&) = delete;
  CurlFtpClient& operator=(const CurlFtpClient&) = delete;

  std::unique_ptr<FtpConnection> login(const char* host, const char* user,
                                       const char* password) override;

 private:
  FtpTimeouts timeouts_;
  bool curl_ready_;
};

// A session of CurlFtpClient.
class CurlFtpConnection : public FtpConnection {
 public:
  explicit CurlFtpConnection(std::unique_ptr<FtpSession> session);
  // Sends QUIT, unless a signal is pending: then the process ends first.
  ~CurlFtpConnection() override;

  // Each name of the listing ends with native_line_end() (the device's LF,
  // CR LF or lone CR alike).
  // A listing above 4 MiB counts as failed. In a working directory that
  // takes no new names, an existing regular local_file is rewritten in place
  // (and left empty when the listing fails).
  bool list(const char* remote_dir, const char* local_file) override;
  // Fails when the bytes that arrive are more or fewer than the server
  // announced (in its SIZE or its 150 reply), and for a file above 256 MiB.
  // With local_name "", stores under the remote name's last path component.
  bool get(const char* remote_name, const char* local_name) override;
  std::optional<SizeMismatch> size_mismatch() const override;
  // Fails unless the whole local file (a regular file) went out and the
  // server confirmed it.
  bool put(const char* local_name, const char* remote_name) override;
  bool put_file(std::FILE* local_file, const char* remote_name) override;
  // The last complete reply; the lines of a multi-line reply are joined
  // with '\n' and control characters show as '?'.
  std::string reply() const override;

 private:
  bool list_staged(const char* remote_dir, const char* local_file);
  bool list_in_place(const char* remote_dir, const char* local_file);
  bool fetch(const char* remote_name, const char* local_name);
  bool upload(std::FILE* local_file, const char* remote_name);

  std::unique_ptr<FtpSession> session_;
};

}  // namespace vornel

#endif  // VORNEL_FTP_CURL_CLIENT_H_
