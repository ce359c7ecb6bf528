#ifndef VORNEL_FTP_CURL_CLIENT_H_
#define VORNEL_FTP_CURL_CLIENT_H_

#include <cstdio>
#include <map>
#include <memory>

#include "ftp/timeouts.h"
#include "platform/ftp_client.h"

namespace vornel {

class FtpSession;

// The FTP client on libcurl. A session is one control connection to port 21
// of a dotted-decimal IPv4 address, logged in once and kept open until
// ftp_quit, so every operation of a session reuses that connection. Transfers
// are passive and binary; a listing is fetched with NLST.
//
// Refused without a byte sent (-1): a host that is not a dotted-decimal IPv4
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

  int ftp_login(const char* host, const char* user, const char* password,
                const char* account) override;
  // Each name of the listing ends with native_line_end() (the device's LF,
  // CR LF or lone CR alike).
  // A listing above 4 MiB counts as failed. In a working directory that
  // takes no new names, an existing regular local_file is rewritten in place
  // (and left empty when the listing fails).
  int ftp_ls(int session, const char* remote_dir, const char* local_file) override;
  // Fails when the bytes that arrive are more or fewer than the server
  // announced (in its SIZE or its 150 reply), and for a file above 256 MiB.
  // With local_name "", stores under the remote name's last path component.
  int ftp_get(int session, const char* remote_name, const char* local_name) override;
  bool ftp_size_mismatch(int session, long long* announced, long long* received) override;
  // Fails unless the whole local file (a regular file) went out and the
  // server confirmed it.
  int ftp_put(int session, const char* local_name, const char* remote_name) override;
  int ftp_put_file(int session, std::FILE* local_file, const char* remote_name) override;
  // The copy is the last complete reply; the lines of a multi-line reply are
  // joined with '\n' and control characters show as '?'.
  int ftp_copyreplystr(int session, char* buffer, int size) override;
  int ftp_quit(int session) override;

 private:
  int login(const char* host, const char* user, const char* password);
  int list(int session, const char* remote_dir, const char* local_file);
  int list_in_place(FtpSession* session, const char* remote_dir, const char* local_file);
  int fetch(int session, const char* remote_name, const char* local_name);
  int upload(int session, std::FILE* local_file, const char* remote_name);
  FtpSession* find_session(int handle);

  FtpTimeouts timeouts_;
  bool curl_ready_;
  std::map<int, std::unique_ptr<FtpSession>> sessions_;
  int next_handle_ = 0;
};

}  // namespace vornel

#endif  // VORNEL_FTP_CURL_CLIENT_H_
