#ifndef VORNEL_FTP_SESSION_H_
#define VORNEL_FTP_SESSION_H_

#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ftp/client.h"
#include "ftp/replies.h"
#include "ftp/timeouts.h"

namespace vornel {

// Where the bytes of a listing or a fetched file go.
struct DownloadSink {
  std::FILE* file = nullptr;
  curl_off_t limit = 0;     // more bytes than this fail the transfer
  bool text = false;        // listings: every line end becomes native_line_end()
  curl_off_t received = 0;  // bytes curl delivered, before the conversion here
  bool after_cr = false;    // text: the last byte seen was a CR
};

// The local file a STOR sends, and the size declared for it.
struct UploadSource {
  std::FILE* file = nullptr;
  curl_off_t size = 0;
};

// One FTP session: a curl easy handle driven through a multi handle of its
// own, whose connection cache holds the session's control connection, so
// every request on it reuses that connection. Destroying the session sends
// QUIT and closes the connection.
class FtpSession {
 public:
  // Prepares a session for host; nothing is sent before login(). Returns
  // nullptr when curl cannot give a handle.
  static std::unique_ptr<FtpSession> create(const std::string& host, const std::string& user,
                                            const std::string& password,
                                            const FtpTimeouts& timeouts);

  FtpSession(const FtpSession&) = delete;
  FtpSession& operator=(const FtpSession&) = delete;

  // Connects and logs in; transfers nothing.
  CURLcode login();
  // NLST of remote_dir ("" for the login directory).
  CURLcode list(std::string_view remote_dir, DownloadSink* sink);
  CURLcode retrieve(std::string_view remote_name, DownloadSink* sink);
  CURLcode store(std::string_view remote_name, UploadSource* source);

  // The size the server announced for the last retrieve (its SIZE answer or
  // "(N bytes)" in its 150 reply, the later one), -1 when it gave none.
  curl_off_t announced_size() const { return announced_; }

  // What the client found wrong with the last fetch's size, kept for the log.
  void clear_size_mismatch() { mismatch_ = false; }
  void note_size_mismatch(curl_off_t announced, curl_off_t received);
  std::optional<SizeMismatch> size_mismatch() const;
  const std::string& last_reply() const { return replies_.last(); }

 private:
  struct EasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
  };
  struct MultiCleanup {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
  };
  enum class Request { kLogin, kList, kRetrieve, kStore };

  FtpSession(CURL* handle, CURLM* multi, const std::string& host, const FtpTimeouts& timeouts);
  bool configure(const std::string& user, const std::string& password);
  long limit_ms(Request request) const;
  CURLcode perform(const std::string& path, Request request, DownloadSink* sink,
                   UploadSource* source);
  CURLcode run_transfer();
  std::string escape(std::string_view name) const;
  void note_announcement(std::string_view line);
  void cut_control_connection();

  static size_t on_header(char* data, size_t size, size_t count, void* self);
  static int on_progress(void* self, curl_off_t download_total, curl_off_t downloaded,
                         curl_off_t upload_total, curl_off_t uploaded);
  bool stalled(curl_off_t moved);

  std::unique_ptr<CURL, EasyCleanup> handle_;
  // Holds the session's connection between requests. Declared after handle_
  // so it goes first: its cleanup is what sends QUIT.
  std::unique_ptr<CURLM, MultiCleanup> multi_;
  std::string url_base_;  // "ftp://<host>/": paths after it start in the login directory
  FtpTimeouts timeouts_;
  ReplyRecorder replies_;
  curl_off_t moved_ = 0;
  std::chrono::steady_clock::time_point last_progress_;
  Request request_ = Request::kLogin;
  std::string size_name_;  // the remote name a fetch asks SIZE of
  curl_off_t announced_ = -1;
  bool mismatch_ = false;
  curl_off_t mismatch_announced_ = 0;
  curl_off_t mismatch_received_ = 0;
};

}  // namespace vornel

#endif  // VORNEL_FTP_SESSION_H_
