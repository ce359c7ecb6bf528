#ifndef VORNEL_DEVICE_INI_SUPPORT_H_
#define VORNEL_DEVICE_INI_SUPPORT_H_

#include <cstdint>
#include <cstdio>
#include <optional>

#include "device/device_context.h"
#include "ftp/client.h"
#include "platform/local_files.h"
#include "report/output.h"
#include "targets/target_record.h"

namespace vornel {

// What check_ini_support found.
enum class IniSupport {
  kVersionUnknown,  // login failed, or no listing file
  kSupported,       // firmware 250 or later
  kNotSupported,
};

inline constexpr int32_t kFirstIniFirmware = 250;

// The firmware version held in a firmware image name: the digits among the
// characters at zero-based positions 9 to 24, joined, read as a decimal
// number (saturating at 2147483647). 0 when there are none.
int32_t parse_firmware_version(const char* name);

// Scans a directory listing for the firmware image: the first line (read in
// pieces of at most 79 characters) that begins with "qop". On a match, copies
// the first word of that line into name, cut to 27 characters (only the first
// 25 matter), and returns true. Returns false, with name empty, when no line
// matches.
bool find_firmware_name(std::FILE* listing, char (&name)[28]);

// Logs in to the device, lists its login directory into "foundfir.txt" (in
// files) and judges its firmware. Writes diagnostics to the log only. A listing without
// any firmware image gives version 0, so the device is judged too old rather
// than judged by whatever file happens to be listed last. When firmware is
// given it receives the version read from the firmware image's name, and
// stays empty when no image was found.
IniSupport check_ini_support(Transcript& out, FtpClient& ftp, LocalFiles& files,
                             const TargetRecord& record,
                             std::optional<int32_t>* firmware = nullptr);

// The first step on a device in both passes: the check's label on the
// console and in the log, check_ini_support, and its verdict. When the
// firmware is too old, or its version could not be read, the status is
// stored and the failure counted. True when the device takes INI files.
// firmware as for check_ini_support.
bool ini_support_step(const DeviceContext& d, TargetRecord* record,
                      std::optional<int32_t>* firmware = nullptr);

}  // namespace vornel

#endif  // VORNEL_DEVICE_INI_SUPPORT_H_
