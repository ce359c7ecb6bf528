#include "device/ini_support.h"

#include <cstring>
#include <string_view>

#include "base/bounded_copy.h"
#include "device/texts.h"

namespace vornel {
namespace {

constexpr char kListingFile[] = "foundfir.txt";
constexpr char kFirmwarePrefix[] = "qop";
constexpr int kListingPiece = 79;  // an 80-byte line buffer less its terminator
constexpr std::size_t kFirstExamined = 9;
constexpr std::size_t kLastExamined = 24;

constexpr char kLoginUnsuccessful[] =
    "ERROR! Login unsuccessful.\n\tMake sure the platform is on the network.\n\n";
constexpr char kNoListing[] = "File foundfir.txt doesn't exist\n";

constexpr char kCheckLabel[] = "\n\tChecking for INI support           ";
constexpr char kVersionProblem[] =
    "\n\tProblem accessing version information, \n\tsee log for details \n";
constexpr char kNotSupportedConsole[] = "Error, INI files not supported \n";
constexpr char kNotSupportedLog[] = "\tError, INI files not supported \n";

bool ends_word(char c) {
  return c == '\0' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

int32_t parse_firmware_version(const char* name) {
  std::size_t length = std::strlen(name);
  // At most 16 positions are examined, so the digits always fit in 64 bits.
  int64_t value = 0;
  for (std::size_t i = kFirstExamined; i < length && i <= kLastExamined; ++i) {
    if (name[i] >= '0' && name[i] <= '9') value = value * 10 + (name[i] - '0');
  }
  return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

bool find_firmware_name(std::FILE* listing, char (&name)[28]) {
  name[0] = '\0';
  char line[kListingPiece + 1];
  while (std::fgets(line, sizeof line, listing) != nullptr) {
    if (std::strncmp(line, kFirmwarePrefix, 3) != 0) continue;
    std::size_t end = 0;
    while (!ends_word(line[end])) ++end;
    copy_bounded(name, std::string_view(line, end));
    return true;
  }
  return false;
}

IniSupport check_ini_support(Transcript& out, FtpClient& ftp, LocalFiles& files,
                             const TargetRecord& record, std::optional<int32_t>* firmware) {
  std::unique_ptr<FtpConnection> session =
      ftp.login(record.ip_address, record.user_name, record.password);
  if (!session) {
    say_log(out, kLoginUnsuccessful);
    flush_log(out);
    return IniSupport::kVersionUnknown;
  }
  bool listed = session->list("", kListingFile);

  // After a failed listing, a "foundfir.txt" that the FTP layer could not
  // remove (a directory that takes no changes) is an earlier device's.
  FileHandle listing = listed ? files.open_for_reading(kListingFile, nullptr) : FileHandle();
  if (!listing) {
    say_log(out, kNoListing);
    flush_log(out);
    return IniSupport::kVersionUnknown;
  }
  char name[28];
  bool found = find_firmware_name(listing.get(), name);
  flush_log(out);

  int32_t version = found ? parse_firmware_version(name) : 0;
  if (found && firmware != nullptr) *firmware = version;
  return version < kFirstIniFirmware ? IniSupport::kNotSupported : IniSupport::kSupported;
}

bool ini_support_step(const DeviceContext& d, TargetRecord* record,
                      std::optional<int32_t>* firmware) {
  say(d.out, kCheckLabel);
  switch (check_ini_support(d.out, d.ftp, d.files, *record, firmware)) {
    case IniSupport::kSupported:
      say(d.out, kSuccessfulPlain);
      return true;
    case IniSupport::kNotSupported:
      say(d.out, kNotSupportedConsole, kNotSupportedLog);
      record_failure(d.totals, record, STATUS_INI_NOT_SUPPORTED);
      return false;
    case IniSupport::kVersionUnknown:
      break;
  }
  say_console(d.out, kVersionProblem);
  record_failure(d.totals, record, STATUS_LOGIN_FAILED);
  return false;
}

}  // namespace vornel
