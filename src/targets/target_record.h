#ifndef VORNEL_TARGETS_TARGET_RECORD_H_
#define VORNEL_TARGETS_TARGET_RECORD_H_

#include <cstdint>

namespace vornel {

// The outcome of the work on one target.
enum TargetStatus : int32_t {
  STATUS_SUCCESS = 1,            // the file was transferred
  STATUS_TRANSFER_FAILED = 2,    // logged in for the transfer, but the transfer failed
  STATUS_NOT_RESPONSIVE = 3,     // no answer to the reachability probe
  STATUS_LOGIN_FAILED = 4,       // transfer login failed, or the firmware version was unreadable
  STATUS_FILE_NOT_OPENED = 5,    // the local INI file did not open (upload)
  STATUS_INI_NOT_SUPPORTED = 6,  // firmware too old for INI files
};

// One target device. Every text field is NUL-terminated and never holds more
// than its width less one; a field nobody set is empty.
struct TargetRecord {
  char ip_address[26] = {};     // dotted decimal, as typed or read; not validated
  char user_name[26] = {};      // FTP user name
  char password[28] = {};       // FTP password, in clear
  int32_t status = 0;           // a TargetStatus once the pass has processed the target
  char ini_file_name[28] = {};  // upload: local and remote name; download: shown only
  TargetRecord* next = nullptr;
};

}  // namespace vornel

#endif  // VORNEL_TARGETS_TARGET_RECORD_H_
