#ifndef VORNEL_DEVICE_DOWNLOAD_H_
#define VORNEL_DEVICE_DOWNLOAD_H_

#include "device/transfer.h"
#include "platform/local_files.h"

namespace vornel {

// Fetches the device's "config.ini" into the working directory (files): as
// "config.ini" when no file of that name exists there yet, otherwise as the
// device's address followed by ".ini" (and counted in config_ini_detected),
// so an operator's existing "config.ini" is never replaced. Reports on the
// console and in the log, stores the outcome in record->status and counts a
// failure. Returns 1 when the file was fetched, 0 otherwise; a failed login
// is followed by a 15 s pause.
int download_ini_file(const TransferContext& t, LocalFiles& files, TargetRecord* record);

}  // namespace vornel

#endif  // VORNEL_DEVICE_DOWNLOAD_H_
