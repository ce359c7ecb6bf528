#ifndef VORNEL_SESSION_TARGET_LIST_BUILDER_H_
#define VORNEL_SESSION_TARGET_LIST_BUILDER_H_

#include <cstdio>

#include "platform/console.h"
#include "session/run_context.h"
#include "session/target_entry.h"
#include "targets/target_record.h"

namespace vornel {

// What tells one pass's list-building from the other's.
struct PassKind {
  const char* list_file_name;
  const char* found_line;    // with list_file_name
  const char* option2_line;
  EntryOutcome (*prompt_target)(Console& console, TargetRecord* record);
  const char* announce_console;  // with list_file_name
  const char* announce_log;      // with list_file_name
};

extern const PassKind kUploadPass;
extern const PassKind kDownloadPass;

// A batch list holds every device's password: like ssh with a private key,
// say once a run on standard error when others can read it. The run goes on
// as usual.
void warn_if_shared(RunContext& run, const char* file_name, std::FILE* list_file);

// Builds the target list of a pass: from the batch list file when it exists
// and the operator chooses it (and it holds a group), otherwise one target
// typed in. Returns the first record of a non-empty list, owned by the
// caller. Returns nullptr when the operator left (at the exit prompt, in the
// entry dialogue, or when standard input ended): the run must then end with
// exit status 1, without summary or footer. The list file is closed before
// this returns.
TargetRecord* build_target_list(RunContext& run, const PassKind& pass);

}  // namespace vornel

#endif  // VORNEL_SESSION_TARGET_LIST_BUILDER_H_
