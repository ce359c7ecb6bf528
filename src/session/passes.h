#ifndef VORNEL_SESSION_PASSES_H_
#define VORNEL_SESSION_PASSES_H_

#include "report/session.h"
#include "targets/target_record.h"

namespace vornel {

inline constexpr uint32_t kProbeFailureLimit = 10;
inline constexpr unsigned kAfterDownloadPauseMs = 3000;

// Each pass builds its list, takes every target in order through the INI
// support check, (upload only) the local file check, the reachability probe
// and the transfer, then ends: summary, footer in the log, list released.
// A failing step ends the work on that target, never the pass.
// Return true when the pass is complete; false when the operator left while
// the list was being built, and the run must end with exit status 1.
bool run_upload_pass(Session& s);
bool run_download_pass(Session& s);

// The end both passes share: summary, pass footer, list released.
void end_pass(Session& s, TargetRecord* first);

}  // namespace vornel

#endif  // VORNEL_SESSION_PASSES_H_
