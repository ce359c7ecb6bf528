#ifndef VORNEL_DEVICE_PROBE_H_
#define VORNEL_DEVICE_PROBE_H_

#include <cstdint>

#include "platform/echo.h"
#include "platform/progress.h"
#include "report/output.h"

namespace vornel {

inline constexpr uint32_t kAnswersNeeded = 20;
inline constexpr unsigned kEchoTimeoutMs = 1000;

// What a probe reaches besides the transcript: the echo facility, the live
// line that counts its requests, and whether this run has already explained
// why no echo can be sent.
struct Prober {
  EchoFacility& echo;
  Progress& live_line;
  bool warning_shown = false;
};

// Sends ICMP echo requests to address one after another until it has answered
// kAnswersNeeded of them (returns 1) or left failure_limit unanswered
// (returns 0). Answers need not be consecutive. Each miss, and the verdict
// "not reachable", is logged; a reachable device leaves nothing in the log.
// Returns 0 without logging when no echo can be sent at all; the first time
// that happens in a run, standard error says why and how to fix it.
int ping_target(Transcript& out, Prober& prober, const char* address, uint32_t failure_limit);

}  // namespace vornel

#endif  // VORNEL_DEVICE_PROBE_H_
