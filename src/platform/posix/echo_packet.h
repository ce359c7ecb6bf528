#ifndef VORNEL_PLATFORM_POSIX_ECHO_PACKET_H_
#define VORNEL_PLATFORM_POSIX_ECHO_PACKET_H_

// The byte-level half of the ICMP echo facility: building a request and
// deciding what a received packet means for it. No sockets here, so every
// rule can be checked on hand-built buffers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vornel {

inline constexpr std::size_t kIcmpHeaderSize = 8;
inline constexpr std::uint8_t kIcmpEchoReply = 0;
inline constexpr std::uint8_t kIcmpDestUnreachable = 3;
inline constexpr std::uint8_t kIcmpSourceQuench = 4;
inline constexpr std::uint8_t kIcmpRedirect = 5;
inline constexpr std::uint8_t kIcmpEchoRequest = 8;
inline constexpr std::uint8_t kIcmpTimeExceeded = 11;
inline constexpr std::uint8_t kIcmpParameterProblem = 12;

// The Internet checksum: the ones' complement of the ones' complement sum of
// the big-endian 16-bit words (an odd last byte is padded with zero). The
// packet stores it big-endian. Over a message whose checksum field is right
// it yields 0.
std::uint16_t internet_checksum(std::span<const std::uint8_t> bytes);

// An echo request without payload, checksum filled in.
std::array<std::uint8_t, kIcmpHeaderSize> build_echo_request(std::uint16_t identifier,
                                                             std::uint16_t sequence);

// The EchoResult failure code for an ICMP error of this type and code, or 0
// when the message does not say the request failed (replies, requests,
// redirects: a redirect still delivers the packet).
int icmp_error_failure_code(std::uint8_t type, std::uint8_t code);

// What one received packet means for the request being waited on.
struct EchoVerdict {
  enum Kind { kUnrelated, kReply, kError };
  Kind kind;
  int code;  // kError only: the EchoResult failure code
};

// Recognises the reply to, or an ICMP error about, one outstanding request.
// Everything else (other identifiers or sequences, other sources, other
// types, damaged packets, a second copy of the reply) is kUnrelated, so the
// caller simply keeps waiting.
class EchoMatcher {
 public:
  // kWithIpHeader: raw sockets hand over the whole IP datagram.
  // kIcmpOnly: ICMP datagram sockets hand over the ICMP message alone.
  enum Framing { kWithIpHeader, kIcmpOnly };

  // check_identifier is false for datagram sockets: the kernel owns the
  // identifier there and only delivers replies that carry it.
  EchoMatcher(Framing framing, bool check_identifier);

  // Starts waiting for a new request. Addresses are in network byte order.
  void expect(std::uint32_t target, std::uint16_t identifier, std::uint16_t sequence);

  // A packet as read from the socket, and the address it came from.
  EchoVerdict classify(std::span<const std::uint8_t> packet, std::uint32_t source);

  // An ICMP error taken from a datagram socket's error queue: its type and
  // code, the start of the ICMP message it quotes (our request, if it is
  // about ours) and the destination of that quoted datagram.
  EchoVerdict classify_queued_error(std::uint8_t type, std::uint8_t code,
                                    std::span<const std::uint8_t> quoted_icmp,
                                    std::uint32_t quoted_destination) const;

 private:
  EchoVerdict classify_icmp(std::span<const std::uint8_t> icmp, std::uint32_t source);
  EchoVerdict classify_error(std::span<const std::uint8_t> icmp) const;
  bool is_our_request(std::span<const std::uint8_t> quoted_icmp) const;

  Framing framing_;
  bool check_identifier_;
  std::uint32_t target_ = 0;
  std::uint16_t identifier_ = 0;
  std::uint16_t sequence_ = 0;
  bool answered_ = false;  // a duplicate reply must not count a second time
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_POSIX_ECHO_PACKET_H_
