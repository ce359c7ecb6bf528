#ifndef VORNEL_SESSION_PASSES_H_
#define VORNEL_SESSION_PASSES_H_

#include "session/run_context.h"
#include "session/target_list_builder.h"
#include "targets/target_record.h"

namespace vornel {

inline constexpr unsigned kAfterDownloadPauseMs = 3000;

// Each pass builds its list, takes every target in order through the INI
// support check, (upload only) the local file check, the reachability probe
// and the transfer, then ends: summary, footer in the log, list released.
// A failing step ends the work on that target, never the pass.
// Return true when the pass is complete; false when the operator left while
// the list was being built, and the run must end with exit status 1.
bool run_upload_pass(RunContext& run);
bool run_download_pass(RunContext& run);

// The work on one target of a pass: each step reported, the first failing
// one ending it with the target's status stored and the failure counted.
using TargetStep = void (*)(RunContext& run, TargetRecord* record);

// The passes' own steps, for a program that builds its list otherwise
// (vornel-batch). The download names fetched files by run.fetched_name.
void upload_target(RunContext& run, TargetRecord* record);
void download_target(RunContext& run, TargetRecord* record);

// The preflight of a target (vornel-batch check): the steps of the pass up
// to a login for the transfer, and its verdict; nothing is sent or fetched
// and there is no pause. A target found ready gets STATUS_SUCCESS.
void check_upload_target(RunContext& run, TargetRecord* record);
void check_download_target(RunContext& run, TargetRecord* record);

// The end of every pass: the summary of the list from first, then the
// footer in the log. The list is the caller's to release.
void end_pass(RunContext& run, const TargetRecord* first);

// What both passes share: builds the list, hands each target in order to
// take_target, then ends the pass with the summary, the footer in the log and
// the list released. False, with nothing of that, when the operator left
// while the list was being built.
bool run_pass(RunContext& run, const PassKind& kind, TargetStep take_target);

}  // namespace vornel

#endif  // VORNEL_SESSION_PASSES_H_
