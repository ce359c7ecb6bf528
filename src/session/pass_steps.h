#ifndef VORNEL_SESSION_PASS_STEPS_H_
#define VORNEL_SESSION_PASS_STEPS_H_

#include "base/file_handle.h"
#include "session/run_context.h"
#include "targets/target_record.h"

namespace vornel {

// A file of the working directory the operator named (a batch list, an INI
// file), opened for reading; an empty handle when it can't be. What the
// opening had to say of it (another user's link or file) goes to standard
// error, once a run.
FileHandle open_named_file(RunContext& run, const char* name);

// The steps both passes take before the transfer. Each reports its outcome;
// on failure it stores the status, counts the failure and returns false.

// The check label, check_ini_support, and its verdict.
bool pass_check_ini_support(RunContext& run, TargetRecord* record);

// The connection label, the probe, and its verdict completed by ok_text
// (the two passes word the success differently).
bool pass_probe(RunContext& run, TargetRecord* record, const char* ok_text);

// The upload's file check: the file label, and the local INI file opened
// (a plain file of the working directory) for the upload to send. An empty
// handle when the check failed (reported, counted, status stored).
FileHandle check_local_file(RunContext& run, TargetRecord* record);

}  // namespace vornel

#endif  // VORNEL_SESSION_PASS_STEPS_H_
