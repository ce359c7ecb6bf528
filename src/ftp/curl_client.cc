#include "ftp/curl_client.h"

#include <curl/curl.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/bounded_copy.h"
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

int CurlFtpClient::ftp_login(const char* host, const char* user, const char* password,
                             const char* /*account*/) {
  exit_if_interrupted();
  int handle = login(host, user, password);
  exit_if_interrupted();
  return handle;
}

int CurlFtpClient::ftp_ls(int session, const char* remote_dir, const char* local_file) {
  exit_if_interrupted();
  int result = list(session, remote_dir, local_file);
  // An older listing must not pass for this one.
  if (result != 0 && local_file != nullptr && local_file[0] != '\0') std::remove(local_file);
  exit_if_interrupted();
  return result;
}

int CurlFtpClient::ftp_get(int session, const char* remote_name, const char* local_name) {
  exit_if_interrupted();
  int result = fetch(session, remote_name, local_name);
  exit_if_interrupted();
  return result;
}

bool CurlFtpClient::ftp_size_mismatch(int session, long long* announced, long long* received) {
  FtpSession* found = find_session(session);
  return found != nullptr && found->size_mismatch(announced, received);
}

int CurlFtpClient::ftp_put(int session, const char* local_name, const char* remote_name) {
  if (local_name == nullptr) return -1;
  FileHandle file = working_directory_files().open_for_reading(local_name, nullptr);
  return ftp_put_file(session, file.get(), remote_name);
}

int CurlFtpClient::ftp_put_file(int session, std::FILE* local_file, const char* remote_name) {
  exit_if_interrupted();
  int result = upload(session, local_file, remote_name);
  exit_if_interrupted();
  return result;
}

int CurlFtpClient::ftp_copyreplystr(int session, char* buffer, int size) {
  FtpSession* found = find_session(session);
  if (found == nullptr || buffer == nullptr || size <= 0) return -1;
  copy_bounded(buffer, static_cast<std::size_t>(size), found->last_reply());
  return static_cast<int>(std::strlen(buffer));
}

int CurlFtpClient::ftp_quit(int session) {
  exit_if_interrupted();
  auto it = sessions_.find(session);
  if (it == sessions_.end()) return -1;
  sessions_.erase(it);  // the session's cleanup sends QUIT
  return 0;
}

int CurlFtpClient::login(const char* host, const char* user, const char* password) {
  if (!curl_ready_ || !is_ipv4_address(host) || !is_command_safe(user) ||
      !is_command_safe(password)) {
    return kNoSession;
  }
  std::unique_ptr<FtpSession> session = FtpSession::create(host, user, password, timeouts_);
  if (session == nullptr || session->login() != CURLE_OK) return kNoSession;

  int handle = next_handle_;
  while (sessions_.count(handle) != 0) handle = handle == INT_MAX ? 0 : handle + 1;
  next_handle_ = handle == INT_MAX ? 0 : handle + 1;
  sessions_.emplace(handle, std::move(session));
  return handle;
}

int CurlFtpClient::list(int session, const char* remote_dir, const char* local_file) {
  FtpSession* found = find_session(session);
  if (remote_dir == nullptr) remote_dir = "";
  if (found == nullptr || !is_command_safe(remote_dir) || local_file == nullptr ||
      local_file[0] == '\0') {
    return -1;
  }
  StagedFile staged;
  switch (staged.open(local_file)) {
    case StagedFile::Opened::kYes:
      break;
    case StagedFile::Opened::kDirectoryRefuses:
      return list_in_place(found, remote_dir, local_file);
    case StagedFile::Opened::kNo:
      return -1;
  }
  DownloadSink sink;
  sink.file = staged.file();
  sink.limit = kMaxListingBytes;
  sink.text = true;
  if (found->list(remote_dir, &sink) != CURLE_OK) return -1;
  return staged.commit() ? 0 : -1;
}

// A working directory that takes no new names can still hold a listing file
// the operator lets us write: the listing then goes into that file in place.
// Only a regular file, never through a link; emptied when the listing fails,
// so an earlier device's listing never stays behind.
int CurlFtpClient::list_in_place(FtpSession* session, const char* remote_dir,
                                 const char* local_file) {
  FileHandle file = open_for_rewrite(local_file);
  if (!file) return -1;
  DownloadSink sink;
  sink.file = file.get();
  sink.limit = kMaxListingBytes;
  sink.text = true;
  bool ok = session->list(remote_dir, &sink) == CURLE_OK && std::fflush(file.get()) == 0;
  if (!ok && !empty_file(file.get())) return -1;
  return ok ? 0 : -1;
}

int CurlFtpClient::fetch(int session, const char* remote_name, const char* local_name) {
  FtpSession* found = find_session(session);
  if (found == nullptr || !is_remote_name(remote_name) || local_name == nullptr) return -1;
  std::string target = local_name[0] != '\0' ? local_name : default_local_name(remote_name);
  if (target.empty()) return -1;

  found->clear_size_mismatch();
  StagedFile staged;
  if (staged.open(target) != StagedFile::Opened::kYes) return -1;
  DownloadSink sink;
  sink.file = staged.file();
  sink.limit = kMaxDownloadBytes;
  CURLcode result = found->retrieve(remote_name, &sink);
  // A stream that ended, early or late, against the size the device gave:
  // neither part can be told to be its real file, so nothing is kept.
  bool stream_ended = result == CURLE_OK || result == CURLE_PARTIAL_FILE;
  curl_off_t announced = found->announced_size();
  if (stream_ended && announced >= 0 && announced != sink.received) {
    found->note_size_mismatch(announced, sink.received);
    return -1;
  }
  if (result != CURLE_OK) return -1;
  return staged.commit() ? 0 : -1;
}

// What is left of the file from where it stands is what goes out, and the
// size declared for it.
int CurlFtpClient::upload(int session, std::FILE* local_file, const char* remote_name) {
  FtpSession* found = find_session(session);
  if (found == nullptr || !is_remote_name(remote_name) || local_file == nullptr) return -1;
  std::int64_t size = 0;
  long offset = std::ftell(local_file);
  if (!regular_file_size(local_file, &size) || offset < 0 || offset > size) return -1;
  UploadSource source;
  source.file = local_file;
  source.size = static_cast<curl_off_t>(size - offset);
  return found->store(remote_name, &source) == CURLE_OK ? 0 : -1;
}

FtpSession* CurlFtpClient::find_session(int handle) {
  auto it = sessions_.find(handle);
  return it == sessions_.end() ? nullptr : it->second.get();
}

}  // namespace vornel
