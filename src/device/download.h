#ifndef VORNEL_DEVICE_DOWNLOAD_H_
#define VORNEL_DEVICE_DOWNLOAD_H_

#include <string>

#include "device/transfer.h"

namespace vornel {

// Completes the "Logging in" label when the download's login fails.
inline constexpr char kDownloadLoginFailed[] = "ERROR: log in failed.\n";

// How a fetched file is named in the working directory.
enum class FetchedName {
  kConfigIniFirst,  // "config.ini" while that name is free, then ADDRESS.ini
  kByAddress,       // always ADDRESS.ini
};

// Fetches the device's "config.ini" into the working directory (d.files): as
// "config.ini" when no file of that name exists there yet, otherwise as the
// device's address followed by ".ini" (and counted in config_ini_detected),
// so an operator's existing "config.ini" is never replaced. Reports on the
// console and in the log, stores the outcome in record->status and counts a
// failure. Returns that status: STATUS_SUCCESS when the file was fetched,
// otherwise STATUS_LOGIN_FAILED (after a 15 s pause) or
// STATUS_TRANSFER_FAILED. With FetchedName::kByAddress every file is named
// after its device; a "config.ini" found is still counted. When saved_as is
// given it receives the local name of a fetched file.
TargetStatus download_ini_file(const DeviceContext& d, TargetRecord* record,
                               FetchedName naming = FetchedName::kConfigIniFirst,
                               std::string* saved_as = nullptr);

}  // namespace vornel

#endif  // VORNEL_DEVICE_DOWNLOAD_H_
