#ifndef VORNEL_SESSION_TARGET_ENTRY_H_
#define VORNEL_SESSION_TARGET_ENTRY_H_

#include "platform/console.h"
#include "targets/target_record.h"

namespace vornel {

// How an entry dialogue ended.
enum class EntryOutcome {
  kConfirmed,  // the record holds what the operator confirmed
  kLeft,       // the operator quit, or standard input ended
};

// The console dialogues that take one target from the operator: each field is
// asked for, the entry is shown back (password included, in clear), and the
// operator continues (1), enters everything again (2) or quits (3).
//
// Both return kConfirmed once the operator confirmed, with ip_address,
// ini_file_name, user_name and password filled in. They return kLeft when the
// operator quit or standard input ended: the run must then end with exit
// status 1 and no further text. A typed line longer than its field is refused and the same
// prompt is asked again, since a cut address or name could name another
// device or file; so is a line holding a control character (NUL included),
// which no FTP command could carry, and an INI file name that is no plain
// file of the working directory (local_name_refusal). Nothing goes to the log.
EntryOutcome prompt_upload_target(Console& console, TargetRecord* record);

// As above, without asking for the file: ini_file_name becomes "config.ini".
EntryOutcome prompt_download_target(Console& console, TargetRecord* record);

}  // namespace vornel

#endif  // VORNEL_SESSION_TARGET_ENTRY_H_
