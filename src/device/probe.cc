#include "device/probe.h"

#include "report/output.h"

namespace vornel {
namespace {

constexpr char kPingTimeout[] = "  \nPing timeout on %s.\n";
constexpr char kPingError[] = "  Ping error : %d\n";
constexpr char kFailedToPing[] = "  Failed to ping %s";
constexpr char kLiveCount[] = "pinging %s: %u of %u answered, %u of %u missed";

constexpr char kNoEchoHint[] =
    "vornel: cannot open an ICMP socket, so every device will look unreachable.\n"
    "vornel: run as root, give the binary the capability (setcap cap_net_raw+ep vornel),\n"
    "vornel: or widen net.ipv4.ping_group_range to include your group.\n";

// Closes the echo facility and takes the live count down on every path out
// of the probe.
struct EchoSession {
  EchoFacility& echo;
  Progress& live_line;
  ~EchoSession() {
    live_line.clear();
    echo.close();
  }
};

}  // namespace

int ping_target(Session& s, const char* address, uint32_t failure_limit) {
  EchoFacility& echo = *s.env.echo;
  if (!echo.open()) {
    if (!s.echo_warning_shown) {
      std::string why = echo.open_failure_hint();
      if (!why.empty()) s.env.console->error("vornel: " + why + "\n");
      s.env.console->error(kNoEchoHint);
      s.echo_warning_shown = true;
    }
    return 0;
  }
  EchoSession closer{echo, *s.env.progress};
  uint32_t answered = 0;
  uint32_t missed = 0;
  while (missed < failure_limit) {
    // A silent device keeps the operator waiting up to failure_limit seconds;
    // the count says why. The verdict follows the last request at once.
    s.env.progress->show(
        format(kLiveCount, address, answered, kAnswersNeeded, missed, failure_limit));
    EchoResult result = echo.echo(address, kEchoTimeoutMs);
    if (result.kind == EchoResult::kReply) {
      if (++answered == kAnswersNeeded) return 1;
      continue;
    }
    ++missed;
    say_log(s, result.kind == EchoResult::kTimeout ? format(kPingTimeout, address)
                                                   : format(kPingError, result.code));
    flush_log(s);
  }
  say_log(s, format(kFailedToPing, address));
  flush_log(s);
  return 0;
}

}  // namespace vornel
