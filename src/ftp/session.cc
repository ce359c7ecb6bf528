#include "ftp/session.h"

#include <cctype>
#include <cstdlib>
#include <utility>

#include "ftp/replies.h"
#include "platform/interrupt.h"
#include "platform/line_end.h"
#include "platform/socket_shutdown.h"

namespace vornel {
namespace {

// Connections of a session are never dropped for idling on our side; the
// device decides how long it keeps a quiet session.
constexpr long kSessionMaxIdleSeconds = 24 * 60 * 60;

long whole_seconds(long ms) { return ms <= 0 ? 1 : (ms + 999) / 1000; }

size_t write_to_sink(char* data, size_t size, size_t count, void* user) {
  size_t bytes = size * count;
  auto* sink = static_cast<DownloadSink*>(user);
  if (sink == nullptr) return bytes;  // a login transfers nothing worth keeping
  sink->received += static_cast<curl_off_t>(bytes);
  if (sink->received > sink->limit) return 0;
  if (!sink->text) return std::fwrite(data, 1, bytes, sink->file) == bytes ? bytes : 0;
  // Names end with this platform's line end whatever the device ends its
  // lines with.
  std::string lines;
  lines.reserve(bytes);
  for (size_t i = 0; i < bytes; ++i) {
    char c = data[i];
    if (c == '\n' && sink->after_cr) {
      sink->after_cr = false;
      continue;
    }
    sink->after_cr = c == '\r';
    if (c == '\r' || c == '\n') {
      lines.append(native_line_end());
    } else {
      lines.push_back(c);
    }
  }
  return std::fwrite(lines.data(), 1, lines.size(), sink->file) == lines.size() ? bytes : 0;
}

size_t read_from_source(char* buffer, size_t size, size_t count, void* user) {
  auto* source = static_cast<UploadSource*>(user);
  if (source == nullptr) return 0;
  size_t n = std::fread(buffer, 1, size * count, source->file);
  if (n == 0 && std::ferror(source->file)) return CURL_READFUNC_ABORT;
  return n;
}

struct CurlFree {
  void operator()(char* text) const { curl_free(text); }
};

struct SlistFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// Ends in a time-out: the control connection may still be in the middle of
// a reply that never ends, so nothing more is to be expected on it.
bool is_time_out(CURLcode result) {
  return result == CURLE_OPERATION_TIMEDOUT ||
         (result == CURLE_ABORTED_BY_CALLBACK && pending_interrupt() == 0);
}

}  // namespace

FtpSession::FtpSession(CURL* handle, CURLM* multi, const std::string& host,
                       const FtpTimeouts& timeouts)
    : handle_(handle), multi_(multi), url_base_("ftp://" + host + "/"), timeouts_(timeouts) {}

std::unique_ptr<FtpSession> FtpSession::create(const std::string& host, const std::string& user,
                                               const std::string& password,
                                               const FtpTimeouts& timeouts) {
  CURL* handle = curl_easy_init();
  if (handle == nullptr) return nullptr;
  CURLM* multi = curl_multi_init();
  if (multi == nullptr) {
    curl_easy_cleanup(handle);
    return nullptr;
  }
  std::unique_ptr<FtpSession> session(new FtpSession(handle, multi, host, timeouts));
  if (!session->configure(user, password)) return nullptr;
  return session;
}

bool FtpSession::configure(const std::string& user, const std::string& password) {
  CURL* h = handle_.get();
  bool ok = true;
  auto set = [&](CURLoption option, auto value) {
    ok = ok && curl_easy_setopt(h, option, value) == CURLE_OK;
  };
  set(CURLOPT_PROTOCOLS_STR, "ftp");
  set(CURLOPT_IPRESOLVE, static_cast<long>(CURL_IPRESOLVE_V4));
  set(CURLOPT_NOSIGNAL, 1L);
  // curl's own command line reads in 100 KiB pieces; libcurl's 16 KiB
  // default made a 200 MB fetch a quarter slower than it.
  set(CURLOPT_BUFFERSIZE, 102400L);
  // Credentials only from the caller: never from a URL, never from ~/.netrc.
  set(CURLOPT_USERNAME, user.c_str());
  set(CURLOPT_PASSWORD, password.c_str());
  set(CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
  // Devices are always reached directly. libcurl takes a proxy from the
  // environment (ftp_proxy, all_proxy and their kin) unless told otherwise,
  // and through an HTTP proxy it would hand that proxy the user name and
  // password: "" says no proxy whatever the environment holds, and "*" keeps
  // every host off any proxy all the same.
  set(CURLOPT_PROXY, "");
  set(CURLOPT_NOPROXY, "*");

  set(CURLOPT_CONNECTTIMEOUT_MS, timeouts_.connect_ms);
  set(CURLOPT_SERVER_RESPONSE_TIMEOUT, whole_seconds(timeouts_.reply_ms));
  set(CURLOPT_LOW_SPEED_LIMIT, 1L);
  set(CURLOPT_LOW_SPEED_TIME, whole_seconds(timeouts_.stall_ms));
  // The speed limit only watches a running data transfer, and averages over
  // seconds; the progress check also catches a session that goes quiet
  // around it.
  set(CURLOPT_NOPROGRESS, 0L);
  set(CURLOPT_XFERINFOFUNCTION, &FtpSession::on_progress);
  set(CURLOPT_XFERINFODATA, static_cast<void*>(this));
  set(CURLOPT_HEADERFUNCTION, &FtpSession::on_header);
  set(CURLOPT_HEADERDATA, static_cast<void*>(this));
  set(CURLOPT_WRITEFUNCTION, &write_to_sink);
  set(CURLOPT_READFUNCTION, &read_from_source);

  // Names are used as given, relative to the login directory: no CWD.
  set(CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  // Every IPv4 device knows PASV; many embedded servers lack EPSV, and trying
  // it first costs a command and a failed reply on each transfer.
  set(CURLOPT_FTP_USE_EPSV, 0L);
  // Data connections go to the device's own address, whatever the PASV
  // reply claims (devices behind NAT report an inner one).
  set(CURLOPT_FTP_SKIP_PASV_IP, 1L);

  // One session, one control connection: kept between requests and reused.
  set(CURLOPT_FORBID_REUSE, 0L);
  set(CURLOPT_FRESH_CONNECT, 0L);
  set(CURLOPT_MAXCONNECTS, 1L);
  set(CURLOPT_MAXAGE_CONN, kSessionMaxIdleSeconds);
  ok = ok && curl_multi_setopt(multi_.get(), CURLMOPT_MAXCONNECTS, 1L) == CURLM_OK;
  return ok;
}

// The whole of one request; a login has the connect time-out instead.
long FtpSession::limit_ms(Request request) const {
  switch (request) {
    case Request::kLogin:
      return 0;
    case Request::kList:
      return timeouts_.listing_ms;
    case Request::kRetrieve:
    case Request::kStore:
      return timeouts_.transfer_ms;
  }
  return 0;
}

CURLcode FtpSession::login() { return perform("", Request::kLogin, nullptr, nullptr); }

CURLcode FtpSession::list(std::string_view remote_dir, DownloadSink* sink) {
  std::string path;
  if (!remote_dir.empty()) {
    path = escape(remote_dir);
    if (path.empty()) return CURLE_OUT_OF_MEMORY;
    path += '/';
  }
  return perform(path, Request::kList, sink, nullptr);
}

CURLcode FtpSession::retrieve(std::string_view remote_name, DownloadSink* sink) {
  size_name_ = std::string(remote_name);
  std::string path = escape(remote_name);
  if (path.empty()) return CURLE_OUT_OF_MEMORY;
  return perform(path, Request::kRetrieve, sink, nullptr);
}

CURLcode FtpSession::store(std::string_view remote_name, UploadSource* source) {
  std::string path = escape(remote_name);
  if (path.empty()) return CURLE_OUT_OF_MEMORY;
  return perform(path, Request::kStore, nullptr, source);
}

void FtpSession::note_size_mismatch(curl_off_t announced, curl_off_t received) {
  mismatch_ = true;
  mismatch_announced_ = announced;
  mismatch_received_ = received;
}

std::optional<SizeMismatch> FtpSession::size_mismatch() const {
  if (!mismatch_) return std::nullopt;
  return SizeMismatch{mismatch_announced_, mismatch_received_};
}

// libcurl, told a size, reads that many bytes and drops the rest of the
// stream unseen; so it is told to read the stream to its end, and the sizes
// the device announces are picked out of its replies here.
void FtpSession::note_announcement(std::string_view line) {
  if (request_ != Request::kRetrieve) return;
  long long size = size_announced_in(line);
  if (size >= 0) announced_ = size;
}

// Shuts the control connection down under libcurl, which still owns and
// closes it: the QUIT it sends later fails at once instead of waiting a
// whole reply time-out for an answer that cannot come.
void FtpSession::cut_control_connection() {
  curl_socket_t socket = CURL_SOCKET_BAD;
  if (curl_easy_getinfo(handle_.get(), CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
      socket != CURL_SOCKET_BAD) {
    shut_down_socket(static_cast<NativeSocket>(socket));
  }
}

CURLcode FtpSession::perform(const std::string& path, Request request, DownloadSink* sink,
                             UploadSource* source) {
  CURL* h = handle_.get();
  std::string url = url_base_ + path;
  bool ok = true;
  auto set = [&](CURLoption option, auto value) {
    ok = ok && curl_easy_setopt(h, option, value) == CURLE_OK;
  };
  set(CURLOPT_URL, url.c_str());
  // A fetch reads the data to its end and checks the size itself, asking
  // SIZE as libcurl would; a server without SIZE does not fail the fetch.
  std::unique_ptr<curl_slist, SlistFree> size_command;
  if (request == Request::kRetrieve) {
    size_command.reset(curl_slist_append(nullptr, ("*SIZE " + size_name_).c_str()));
    if (!size_command) return CURLE_OUT_OF_MEMORY;
  }
  set(CURLOPT_PREQUOTE, size_command.get());
  set(CURLOPT_IGNORE_CONTENT_LENGTH, request == Request::kRetrieve ? 1L : 0L);
  set(CURLOPT_NOBODY, request == Request::kLogin ? 1L : 0L);
  set(CURLOPT_DIRLISTONLY, request == Request::kList ? 1L : 0L);
  set(CURLOPT_UPLOAD, request == Request::kStore ? 1L : 0L);
  set(CURLOPT_WRITEDATA, static_cast<void*>(sink));
  set(CURLOPT_READDATA, static_cast<void*>(source));
  // A declared size turns an upload cut short into a failure.
  set(CURLOPT_INFILESIZE_LARGE, source != nullptr ? source->size : curl_off_t{-1});
  set(CURLOPT_TIMEOUT_MS, limit_ms(request));
  if (!ok) return CURLE_FAILED_INIT;

  moved_ = 0;
  last_progress_ = std::chrono::steady_clock::now();
  request_ = request;
  announced_ = -1;
  CURLcode result = run_transfer();
  set(CURLOPT_PREQUOTE, static_cast<curl_slist*>(nullptr));
  return result;
}

// What curl_easy_perform does, but without its blind wait: on a reused
// connection libcurl (7.88) can take the PASV reply, leave the data
// connection still to be opened, and hand back neither a socket nor a timer
// to wait on; curl_easy_perform then sleeps a whole second. Here a pass that
// leaves curl nothing to wait on is followed at once by the next one.
CURLcode FtpSession::run_transfer() {
  CURLM* multi = multi_.get();
  if (curl_multi_add_handle(multi, handle_.get()) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode result = CURLE_FAILED_INIT;  // unless curl reports the transfer done
  bool finished = false;
  while (!finished) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) break;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      result = message->data.result;
      finished = true;
    }
    if (finished || running == 0) break;
    fd_set read_set, write_set, error_set;
    FD_ZERO(&read_set);
    FD_ZERO(&write_set);
    FD_ZERO(&error_set);
    int max_fd = -1;
    long timer_ms = -1;
    curl_multi_fdset(multi, &read_set, &write_set, &error_set, &max_fd);
    curl_multi_timeout(multi, &timer_ms);
    // Nothing to wait on: a millisecond's breath, then on; otherwise up to
    // curl's own timer, and never more than a second, as curl_easy_perform.
    long wait_ms = timer_ms < 0 || timer_ms > 1000 ? 1000 : timer_ms;
    if (max_fd < 0) wait_ms = 1;
    if (curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait_ms), nullptr) != CURLM_OK) break;
  }
  // After a time-out the control connection is no longer to be trusted; while
  // the handle is still in the multi, curl can still name its socket.
  if (is_time_out(result)) cut_control_connection();
  curl_multi_remove_handle(multi, handle_.get());
  return result;
}

std::string FtpSession::escape(std::string_view name) const {
  std::unique_ptr<char, CurlFree> escaped(
      curl_easy_escape(handle_.get(), name.data(), static_cast<int>(name.size())));
  return escaped ? std::string(escaped.get()) : std::string();
}

size_t FtpSession::on_header(char* data, size_t size, size_t count, void* self) {
  auto* session = static_cast<FtpSession*>(self);
  std::string_view line(data, size * count);
  session->replies_.add_line(line);
  session->note_announcement(line);
  session->last_progress_ = std::chrono::steady_clock::now();
  return size * count;
}

int FtpSession::on_progress(void* self, curl_off_t /*download_total*/, curl_off_t downloaded,
                            curl_off_t /*upload_total*/, curl_off_t uploaded) {
  if (pending_interrupt() != 0) return 1;
  return static_cast<FtpSession*>(self)->stalled(downloaded + uploaded) ? 1 : 0;
}

bool FtpSession::stalled(curl_off_t moved) {
  auto now = std::chrono::steady_clock::now();
  if (moved != moved_) {
    moved_ = moved;
    last_progress_ = now;
    return false;
  }
  return now - last_progress_ >= std::chrono::milliseconds(timeouts_.stall_ms);
}

}  // namespace vornel
