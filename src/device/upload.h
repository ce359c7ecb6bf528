#ifndef VORNEL_DEVICE_UPLOAD_H_
#define VORNEL_DEVICE_UPLOAD_H_

#include <cstdio>

#include "device/transfer.h"

namespace vornel {

// Completes the "Logging in" label when the upload's login fails.
inline constexpr char kUploadLoginFailed[] = "ERROR: log in failed.\n\n";

// Logs in to the device and puts the record's INI file on it under the same
// name. The file is the one the pass's file check opened (ini_file, still
// owned by the caller), sent as it is: its name is not opened again, so it
// cannot be swapped for another file between the check and the transfer.
// Reports each step on the console and in the log, stores the outcome in
// record->status and counts a failure. Returns that status: STATUS_SUCCESS
// when the file was transferred; STATUS_LOGIN_FAILED or
// STATUS_TRANSFER_FAILED after the 15 s pause of a failed transfer.
TargetStatus upload_ini_file(const DeviceContext& d, TargetRecord* record, std::FILE* ini_file);

}  // namespace vornel

#endif  // VORNEL_DEVICE_UPLOAD_H_
