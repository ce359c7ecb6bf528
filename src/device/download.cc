#include "device/download.h"

#include <string>

#include "device/texts.h"
#include "platform/bounded_copy.h"

namespace vornel {
namespace {

constexpr char kRemoteName[] = "config.ini";
constexpr char kAddressSuffix[] = ".ini";
constexpr char kLoginFailed[] = "ERROR: log in failed.\n";
constexpr char kDownloadFailed[] = "\tINI file download failed.\n";

}  // namespace

int download_ini_file(const TransferContext& t, LocalFiles& files, TargetRecord* record) {
  char local_name[32] = "";
  // Anything under the name counts, even a file we can't read or a dangling
  // link: what we fetch must never land on top of it.
  if (files.name_taken(kRemoteName)) {
    copy_bounded(local_name, std::string(record->ip_address) + kAddressSuffix);
    ++t.totals.config_ini_detected;
  }
  ScopedFtpSession session = login_for_transfer(t, record, kLoginFailed);
  if (!session) return 0;
  say(t.out, kSuccessfulSpaced);
  flush_log(t.out);
  if (t.ftp.ftp_get(session.handle(), kRemoteName, local_name) == -1) {
    say(t.out, kDownloadFailed);
    flush_log(t.out);
    fail_transfer(t, record, session);
    return 0;
  }
  flush_log(t.out);
  record->status = STATUS_SUCCESS;
  return 1;
}

}  // namespace vornel
