#ifndef VORNEL_DEVICE_PROBE_H_
#define VORNEL_DEVICE_PROBE_H_

#include <cstdint>

#include "report/session.h"

namespace vornel {

inline constexpr uint32_t kAnswersNeeded = 20;
inline constexpr unsigned kEchoTimeoutMs = 1000;

// Sends ICMP echo requests to address one after another until it has answered
// kAnswersNeeded of them (returns 1) or left failure_limit unanswered
// (returns 0). Answers need not be consecutive. Each miss, and the verdict
// "not reachable", is logged; a reachable device leaves nothing in the log.
// Returns 0 without logging when no echo can be sent at all; the first time
// that happens in a run, standard error says why and how to fix it.
int ping_target(Session& s, const char* address, uint32_t failure_limit);

}  // namespace vornel

#endif  // VORNEL_DEVICE_PROBE_H_
