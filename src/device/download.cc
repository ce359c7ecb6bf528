#include "device/download.h"

#include <sys/stat.h>

#include "device/texts.h"
#include "device/transfer_session.h"
#include "platform/bounded_copy.h"
#include "report/output.h"

namespace vornel {
namespace {

constexpr char kRemoteName[] = "config.ini";
constexpr char kAddressSuffix[] = ".ini";
constexpr char kLoginFailed[] = "ERROR: log in failed.\n";
constexpr char kDownloadFailed[] = "\tINI file download failed.\n";
// Log only: a device whose file came longer or shorter than it said.
constexpr char kSizeMismatch[] = "\t%s: %lld bytes announced, %lld received.\n";

// Anything under the name counts, even a file we can't read or a dangling
// link: what we fetch must never land on top of it.
bool local_name_taken(const char* name) {
  struct stat info;
  return lstat(name, &info) == 0;
}

}  // namespace

int download_ini_file(Session& s, TargetRecord* record) {
  FtpClient& ftp = *s.env.ftp;
  char local_name[32] = "";
  if (local_name_taken(kRemoteName)) {
    copy_bounded(local_name, std::string(record->ip_address) + kAddressSuffix);
    ++s.totals.config_ini_detected;
  }
  int session = login_for_transfer(s, record, kLoginFailed);
  if (session == FtpClient::kNoSession) return 0;
  say(s, kSuccessfulSpaced);
  flush_log(s);
  if (ftp.ftp_get(session, kRemoteName, local_name) == -1) {
    say(s, kDownloadFailed);
    long long announced = 0;
    long long received = 0;
    if (ftp.ftp_size_mismatch(session, &announced, &received)) {
      say_log(s, format(kSizeMismatch, kRemoteName, announced, received));
    }
    flush_log(s);
    fail_transfer(s, record, session);
    return 0;
  }
  flush_log(s);
  ftp.ftp_quit(session);
  record->status = STATUS_SUCCESS;
  return 1;
}

}  // namespace vornel
