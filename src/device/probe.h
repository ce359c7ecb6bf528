#ifndef VORNEL_DEVICE_PROBE_H_
#define VORNEL_DEVICE_PROBE_H_

#include <cstdint>

#include "device/device_context.h"
#include "platform/echo.h"
#include "platform/progress.h"
#include "report/output.h"
#include "targets/target_record.h"

namespace vornel {

inline constexpr uint32_t kAnswersNeeded = 20;
// The misses after which the passes take a device for unreachable.
inline constexpr uint32_t kProbeFailureLimit = 10;
inline constexpr unsigned kEchoTimeoutMs = 1000;

// What a probe reaches besides the transcript: the echo facility, the live
// line that counts its requests, and whether this run has already explained
// why no echo can be sent.
struct Prober {
  EchoFacility& echo;
  Progress& live_line;
  bool warning_shown = false;
};

enum class Reachability { kUnreachable, kReachable };

// Sends ICMP echo requests to address one after another until it has answered
// kAnswersNeeded of them (kReachable) or left failure_limit unanswered
// (kUnreachable). Answers need not be consecutive. Each miss, and the verdict
// "not reachable", is logged; a reachable device leaves nothing in the log.
// Returns kUnreachable without logging when no echo can be sent at all; the
// first time that happens in a run, standard error says why and how to fix it.
Reachability ping_target(Transcript& out, Prober& prober, const char* address,
                         uint32_t failure_limit);

// The probe step of both passes: the connection label, ping_target with
// kProbeFailureLimit, and its verdict completed by ok_text (the two passes
// word the success differently). A device that does not answer gets its
// status stored and the failure counted. True when it answers.
bool probe_step(const DeviceContext& d, TargetRecord* record, const char* ok_text);

}  // namespace vornel

#endif  // VORNEL_DEVICE_PROBE_H_
