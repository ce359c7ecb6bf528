#include "device/probe.h"

#include "report/output.h"

namespace vornel {
namespace {

constexpr char kPingTimeout[] = "  \nPing timeout on %s.\n";
constexpr char kPingError[] = "  Ping error : %d\n";
constexpr char kFailedToPing[] = "  Failed to ping %s";
constexpr char kLiveCount[] = "pinging %s: %u of %u answered, %u of %u missed";

constexpr char kConnectionLabel[] = "\tTesting connection                 ";
constexpr char kNoResponse[] = "  ... ERROR: %s no response to ping.\n\n";

constexpr char kNoEcho[] =
    "vornel: cannot open an ICMP socket, so every device will look unreachable.\n";

// Closes the echo facility and takes the live count down on every path out
// of the probe.
struct EchoCloser {
  EchoFacility& echo;
  Progress& live_line;
  ~EchoCloser() {
    live_line.clear();
    echo.close();
  }
};

}  // namespace

Reachability ping_target(Transcript& out, Prober& prober, const char* address,
                         uint32_t failure_limit) {
  EchoFacility& echo = prober.echo;
  if (!echo.open()) {
    if (!prober.warning_shown) {
      std::string why = echo.open_failure_hint();
      if (!why.empty()) out.console.error("vornel: " + why + "\n");
      out.console.error(kNoEcho);
      std::string advice = echo.open_failure_advice();
      for (std::size_t at = 0, end; (end = advice.find('\n', at)) != std::string::npos;
           at = end + 1) {
        out.console.error("vornel: " + advice.substr(at, end - at + 1));
      }
      prober.warning_shown = true;
    }
    return Reachability::kUnreachable;
  }
  EchoCloser closer{echo, prober.live_line};
  uint32_t answered = 0;
  uint32_t missed = 0;
  while (missed < failure_limit) {
    // A silent device keeps the operator waiting up to failure_limit seconds;
    // the count says why. The verdict follows the last request at once.
    prober.live_line.show(
        format(kLiveCount, address, answered, kAnswersNeeded, missed, failure_limit));
    EchoResult result = echo.echo(address, kEchoTimeoutMs);
    if (result.kind == EchoResult::kReply) {
      if (++answered == kAnswersNeeded) return Reachability::kReachable;
      continue;
    }
    ++missed;
    say_log(out, result.kind == EchoResult::kTimeout ? format(kPingTimeout, address)
                                                     : format(kPingError, result.code));
    flush_log(out);
  }
  say_log(out, format(kFailedToPing, address));
  flush_log(out);
  return Reachability::kUnreachable;
}

bool probe_step(const DeviceContext& d, TargetRecord* record, const char* ok_text) {
  say(d.out, kConnectionLabel);
  flush_log(d.out);
  if (ping_target(d.out, d.prober, record->ip_address, kProbeFailureLimit) !=
      Reachability::kReachable) {
    say(d.out, format(kNoResponse, record->ip_address));
    flush_log(d.out);
    record_failure(d.totals, record, STATUS_NOT_RESPONSIVE);
    return false;
  }
  say(d.out, ok_text);
  flush_log(d.out);
  return true;
}

}  // namespace vornel
