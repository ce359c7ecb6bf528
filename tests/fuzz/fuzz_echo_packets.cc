// Any host can send ICMP to us, and a raw socket hands all of it over. What
// the matcher makes of a packet must never read past it, and only a packet
// that quotes or answers our own request may end the wait.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "platform/echo.h"
#include "platform/echo_packet.h"

namespace {

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

bool known_code(int code) {
  return code == vornel::kEchoDestNetUnreachable || code == vornel::kEchoDestHostUnreachable ||
         code == vornel::kEchoDestProtocolUnreachable ||
         code == vornel::kEchoDestPortUnreachable || code == vornel::kEchoTtlExpiredTransit ||
         code == vornel::kEchoGeneralFailure;
}

void check(const vornel::EchoVerdict& verdict) {
  require(verdict.kind == vornel::EchoVerdict::kUnrelated ||
              verdict.kind == vornel::EchoVerdict::kReply ||
              verdict.kind == vornel::EchoVerdict::kError,
          "verdict of no kind");
  if (verdict.kind == vornel::EchoVerdict::kError) require(known_code(verdict.code), "odd code");
}

}  // namespace

// Layout: framing, target and identifier/sequence of the request waited on,
// then the packet as the socket hands it over.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  bool raw = data[0] & 1;
  std::uint32_t target = data[1] | data[2] << 8 | data[3] << 16 | std::uint32_t{data[4]} << 24;
  std::uint16_t identifier = static_cast<std::uint16_t>(data[5] | data[6] << 8);
  std::uint16_t sequence = static_cast<std::uint16_t>(data[7] | data[8] << 8);
  std::span<const std::uint8_t> packet(data + 9, size - 9);

  vornel::EchoMatcher matcher(raw ? vornel::EchoMatcher::kWithIpHeader
                                  : vornel::EchoMatcher::kIcmpOnly,
                              raw);
  matcher.expect(target, identifier, sequence);
  vornel::EchoVerdict first = matcher.classify(packet, target);
  check(first);
  // The same reply a second time is a duplicate, never a second answer.
  vornel::EchoVerdict again = matcher.classify(packet, target);
  check(again);
  if (first.kind == vornel::EchoVerdict::kReply) {
    require(again.kind != vornel::EchoVerdict::kReply, "duplicate reply counted twice");
  }
  if (packet.size() >= 2) {
    check(matcher.classify_queued_error(packet[0], packet[1], packet.subspan(2), target));
  }
  return 0;
}
