#ifndef VORNEL_PLATFORM_FTP_CURL_SESSION_H_
#define VORNEL_PLATFORM_FTP_CURL_SESSION_H_

#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ftp_timeouts.h"

namespace vornel {

// Where the bytes of a listing or a fetched file go.
struct DownloadSink {
  std::FILE* file = nullptr;
  curl_off_t limit = 0;     // more bytes than this fail the transfer
  bool text = false;        // listings: CR LF and a lone CR become '\n'
  curl_off_t received = 0;  // bytes curl delivered, before the conversion here
  bool after_cr = false;    // text: the last byte seen was a CR
};

// The local file a STOR sends, and the size declared for it.
struct UploadSource {
  std::FILE* file = nullptr;
  curl_off_t size = 0;
};

// Keeps the server's last complete reply from the control connection's lines.
class ReplyRecorder {
 public:
  void add_line(std::string_view line);
  const std::string& last() const { return last_; }

 private:
  std::string pending_;  // a multi-line reply not yet ended
  std::string code_;     // its reply code, "" when no multi-line reply is open
  std::string last_;
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

  // The size the server announced for the last retrieve, -1 when it gave none.
  curl_off_t announced_size() const;
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
  CURLcode perform(const std::string& path, Request request, DownloadSink* sink,
                   UploadSource* source);
  CURLcode run_transfer();
  std::string escape(std::string_view name) const;

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
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_FTP_CURL_SESSION_H_
