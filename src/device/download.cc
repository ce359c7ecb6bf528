#include "device/download.h"

#include <optional>
#include <string>

#include "base/bounded_copy.h"
#include "device/texts.h"

namespace vornel {
namespace {

constexpr char kRemoteName[] = "config.ini";
constexpr char kAddressSuffix[] = ".ini";
constexpr char kDownloadFailed[] = "\tINI file download failed.\n";
// Log only: a device whose file came longer or shorter than it said.
constexpr char kSizeMismatch[] = "\t%s: %lld bytes announced, %lld received.\n";

}  // namespace

TargetStatus download_ini_file(const DeviceContext& d, TargetRecord* record, FetchedName naming,
                               std::string* saved_as) {
  char local_name[32] = "";
  // Anything under the name counts, even a file we can't read or a dangling
  // link: what we fetch must never land on top of it.
  bool taken = d.files.name_taken(kRemoteName);
  if (taken) ++d.totals.config_ini_detected;
  if (taken || naming == FetchedName::kByAddress) {
    copy_bounded(local_name, std::string(record->ip_address) + kAddressSuffix);
  }
  std::unique_ptr<FtpConnection> session = login_for_transfer(d, record, kDownloadLoginFailed);
  if (!session) return STATUS_LOGIN_FAILED;
  say(d.out, kSuccessfulSpaced);
  flush_log(d.out);
  if (!session->get(kRemoteName, local_name)) {
    say(d.out, kDownloadFailed);
    if (std::optional<SizeMismatch> mismatch = session->size_mismatch()) {
      say_log(d.out, format(kSizeMismatch, kRemoteName, mismatch->announced, mismatch->received));
    }
    flush_log(d.out);
    fail_transfer(d, record, session);
    return STATUS_TRANSFER_FAILED;
  }
  flush_log(d.out);
  record->status = STATUS_SUCCESS;
  if (saved_as != nullptr) *saved_as = local_name[0] != '\0' ? local_name : kRemoteName;
  return STATUS_SUCCESS;
}

}  // namespace vornel
