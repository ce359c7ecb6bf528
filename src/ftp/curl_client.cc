#include "ftp/curl_client.h"

#include <curl/curl.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "base/control_characters.h"
#include "base/file_handle.h"
#include "base/ipv4_address.h"
#include "ftp/session.h"
#include "platform/ftp_local_files.h"
#include "platform/interrupt.h"
#include "platform/local_files.h"
#include "platform/staged_file.h"

namespace vornel {
namespace {

// What a device may send us: a listing of its login directory is a few
// dozen names, a configuration file a few kilobytes. Far above both, so no
// real device meets them, and low enough that a device sending without end
// fills neither the disk nor the time limits of a listing or a transfer.
constexpr curl_off_t kMaxListingBytes = curl_off_t{4} << 20;  // some 200,000 names
constexpr curl_off_t kMaxDownloadBytes = curl_off_t{256} << 20;

bool init_curl_once() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

// Text that reaches an FTP command must not be able to end it and start
// another: CR, LF and every other control character are refused.
bool is_command_safe(const char* text) { return text != nullptr && !has_control_character(text); }

bool is_remote_name(const char* name) { return is_command_safe(name) && name[0] != '\0'; }

// Dotted-decimal IPv4 only, so nothing but an address can enter the URL.
bool is_ipv4_address(const char* host) {
  std::uint32_t address;
  return parse_ipv4_address(host, &address);
}

// Where a fetch stores when the caller names no local file: the remote name's
// last component, in the working directory.
std::string default_local_name(std::string_view remote_name) {
  std::string_view::size_type slash = remote_name.rfind('/');
  if (slash != std::string_view::npos) remote_name.remove_prefix(slash + 1);
  if (remote_name == "." || remote_name == "..") return "";
  return std::string(remote_name);
}

}  // namespace

CurlFtpClient::CurlFtpClient(FtpTimeouts timeouts)
    : timeouts_(timeouts), curl_ready_(init_curl_once()) {}

CurlFtpClient::~CurlFtpClient() = default;

std::unique_ptr<FtpConnection> CurlFtpClient::login(const char* host, const char* user,
                                                    const char* password) {
  exit_if_interrupted();
  std::unique_ptr<FtpSession> session;
  if (curl_ready_ && is_ipv4_address(host) && is_command_safe(user) && is_command_safe(password)) {
    session = FtpSession::create(host, user, password, timeouts_);
    if (session != nullptr && session->login() != CURLE_OK) session.reset();
  }
  exit_if_interrupted();
  if (session == nullptr) return nullptr;
  return std::make_unique<CurlFtpConnection>(std::move(session));
}

CurlFtpConnection::CurlFtpConnection(std::unique_ptr<FtpSession> session)
    : session_(std::move(session)) {}

CurlFtpConnection::~CurlFtpConnection() {
  exit_if_interrupted();
  session_.reset();  // the session's cleanup sends QUIT
}

bool CurlFtpConnection::list(const char* remote_dir, const char* local_file) {
  exit_if_interrupted();
  bool listed = list_staged(remote_dir, local_file);
  // An older listing must not pass for this one.
  if (!listed && local_file != nullptr && local_file[0] != '\0') std::remove(local_file);
  exit_if_interrupted();
  return listed;
}

bool CurlFtpConnection::get(const char* remote_name, const char* local_name) {
  exit_if_interrupted();
  bool fetched = fetch(remote_name, local_name);
  exit_if_interrupted();
  return fetched;
}

std::optional<SizeMismatch> CurlFtpConnection::size_mismatch() const {
  return session_->size_mismatch();
}

bool CurlFtpConnection::put(const char* local_name, const char* remote_name) {
  if (local_name == nullptr) return false;
  FileHandle file = working_directory_files().open_for_reading(local_name, nullptr);
  return put_file(file.get(), remote_name);
}

bool CurlFtpConnection::put_file(std::FILE* local_file, const char* remote_name) {
  exit_if_interrupted();
  bool sent = upload(local_file, remote_name);
  exit_if_interrupted();
  return sent;
}

std::string CurlFtpConnection::reply() const { return session_->last_reply(); }

bool CurlFtpConnection::list_staged(const char* remote_dir, const char* local_file) {
  if (remote_dir == nullptr) remote_dir = "";
  if (!is_command_safe(remote_dir) || local_file == nullptr || local_file[0] == '\0') {
    return false;
  }
  StagedFile staged;
  switch (staged.open(local_file)) {
    case StagedFile::Opened::kYes:
      break;
    case StagedFile::Opened::kDirectoryRefuses:
      return list_in_place(remote_dir, local_file);
    case StagedFile::Opened::kNo:
      return false;
  }
  DownloadSink sink;
  sink.file = staged.file();
  sink.limit = kMaxListingBytes;
  sink.text = true;
  if (session_->list(remote_dir, &sink) != CURLE_OK) return false;
  return staged.commit();
}

// A working directory that takes no new names can still hold a listing file
// the operator lets us write: the listing then goes into that file in place.
// Only a regular file, never through a link; emptied when the listing fails,
// so an earlier device's listing never stays behind.
bool CurlFtpConnection::list_in_place(const char* remote_dir, const char* local_file) {
  FileHandle file = open_for_rewrite(local_file);
  if (!file) return false;
  DownloadSink sink;
  sink.file = file.get();
  sink.limit = kMaxListingBytes;
  sink.text = true;
  bool ok = session_->list(remote_dir, &sink) == CURLE_OK && std::fflush(file.get()) == 0;
  if (!ok) empty_file(file.get());
  return ok;
}

bool CurlFtpConnection::fetch(const char* remote_name, const char* local_name) {
  if (!is_remote_name(remote_name) || local_name == nullptr) return false;
  std::string target = local_name[0] != '\0' ? local_name : default_local_name(remote_name);
  if (target.empty()) return false;

  session_->clear_size_mismatch();
  StagedFile staged;
  if (staged.open(target) != StagedFile::Opened::kYes) return false;
  DownloadSink sink;
  sink.file = staged.file();
  sink.limit = kMaxDownloadBytes;
  CURLcode result = session_->retrieve(remote_name, &sink);
  // A stream that ended, early or late, against the size the device gave:
  // neither part can be told to be its real file, so nothing is kept.
  bool stream_ended = result == CURLE_OK || result == CURLE_PARTIAL_FILE;
  curl_off_t announced = session_->announced_size();
  if (stream_ended && announced >= 0 && announced != sink.received) {
    session_->note_size_mismatch(announced, sink.received);
    return false;
  }
  if (result != CURLE_OK) return false;
  return staged.commit();
}

// What is left of the file from where it stands is what goes out, and the
// size declared for it.
bool CurlFtpConnection::upload(std::FILE* local_file, const char* remote_name) {
  if (!is_remote_name(remote_name) || local_file == nullptr) return false;
  std::int64_t size = 0;
  long offset = std::ftell(local_file);
  if (!regular_file_size(local_file, &size) || offset < 0 || offset > size) return false;
  UploadSource source;
  source.file = local_file;
  source.size = static_cast<curl_off_t>(size - offset);
  return session_->store(remote_name, &source) == CURLE_OK;
}

}  // namespace vornel
