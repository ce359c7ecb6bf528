#ifndef VORNEL_DEVICE_LOCAL_FILE_H_
#define VORNEL_DEVICE_LOCAL_FILE_H_

#include "base/file_handle.h"
#include "device/device_context.h"
#include "targets/target_record.h"

namespace vornel {

// A file of the working directory the operator named (a batch list, an INI
// file), opened for reading; an empty handle when it can't be. What the
// opening had to say of it (another user's link or file) goes to standard
// error, once a run.
FileHandle open_named_file(const DeviceContext& d, const char* name);

// The upload's file check: the local INI file must be a plain file of the
// working directory and open for reading before anything is sent. The file
// label and its verdict go to the console and the log. The open file is what
// the upload sends, so the name is opened once only: nothing put in its place
// later is sent instead. An empty handle when the check failed, with the
// status stored and the failure counted.
FileHandle local_file_step(const DeviceContext& d, TargetRecord* record);

}  // namespace vornel

#endif  // VORNEL_DEVICE_LOCAL_FILE_H_
