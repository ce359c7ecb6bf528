#include "platform/echo_packet.h"

#include <cstring>

#include "platform/echo.h"

namespace vornel {
namespace {

constexpr std::size_t kMinIpHeaderSize = 20;
constexpr std::uint8_t kProtocolIcmp = 1;

std::uint16_t read_be16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

// Addresses stay in network byte order, as the socket API hands them over.
std::uint32_t read_address(std::span<const std::uint8_t> bytes, std::size_t offset) {
  std::uint32_t address;
  std::memcpy(&address, bytes.data() + offset, sizeof address);
  return address;
}

// The header length of an IPv4 datagram carrying ICMP, or 0 when the bytes
// are not one.
std::size_t icmp_ip_header_size(std::span<const std::uint8_t> datagram) {
  if (datagram.size() < kMinIpHeaderSize) return 0;
  if (datagram[0] >> 4 != 4) return 0;
  std::size_t header_size = (datagram[0] & 0x0f) * 4u;
  if (header_size < kMinIpHeaderSize || header_size > datagram.size()) return 0;
  if (datagram[9] != kProtocolIcmp) return 0;
  return header_size;
}

int unreachable_failure_code(std::uint8_t code) {
  switch (code) {
    case 0:   // net
    case 6:   // net unknown
    case 9:   // net administratively prohibited
    case 11:  // net unreachable for TOS
      return kEchoDestNetUnreachable;
    case 1:   // host
    case 7:   // host unknown
    case 10:  // host administratively prohibited
    case 12:  // host unreachable for TOS
      return kEchoDestHostUnreachable;
    case 2:
      return kEchoDestProtocolUnreachable;
    case 3:
      return kEchoDestPortUnreachable;
    default:
      return kEchoGeneralFailure;
  }
}

}  // namespace

std::uint16_t internet_checksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) sum += read_be16(bytes, i);
  if (i < bytes.size()) sum += static_cast<std::uint32_t>(bytes[i]) << 8;
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

std::array<std::uint8_t, kIcmpHeaderSize> build_echo_request(std::uint16_t identifier,
                                                             std::uint16_t sequence) {
  std::array<std::uint8_t, kIcmpHeaderSize> packet = {
      kIcmpEchoRequest,
      0,  // code
      0,  // checksum, filled in below
      0,
      static_cast<std::uint8_t>(identifier >> 8),
      static_cast<std::uint8_t>(identifier),
      static_cast<std::uint8_t>(sequence >> 8),
      static_cast<std::uint8_t>(sequence),
  };
  std::uint16_t checksum = internet_checksum(packet);
  packet[2] = static_cast<std::uint8_t>(checksum >> 8);
  packet[3] = static_cast<std::uint8_t>(checksum);
  return packet;
}

int icmp_error_failure_code(std::uint8_t type, std::uint8_t code) {
  switch (type) {
    case kIcmpDestUnreachable:
      return unreachable_failure_code(code);
    case kIcmpTimeExceeded:
      return code == 0 ? kEchoTtlExpiredTransit : kEchoGeneralFailure;
    case kIcmpSourceQuench:
    case kIcmpParameterProblem:
      return kEchoGeneralFailure;
    default:
      return 0;
  }
}

EchoMatcher::EchoMatcher(Framing framing, bool check_identifier)
    : framing_(framing), check_identifier_(check_identifier) {}

void EchoMatcher::expect(std::uint32_t target, std::uint16_t identifier, std::uint16_t sequence) {
  target_ = target;
  identifier_ = identifier;
  sequence_ = sequence;
  answered_ = false;
}

EchoVerdict EchoMatcher::classify(std::span<const std::uint8_t> packet, std::uint32_t source) {
  if (framing_ == kIcmpOnly) return classify_icmp(packet, source);
  std::size_t header_size = icmp_ip_header_size(packet);
  if (header_size == 0) return {EchoVerdict::kUnrelated, 0};
  return classify_icmp(packet.subspan(header_size), source);
}

EchoVerdict EchoMatcher::classify_queued_error(std::uint8_t type, std::uint8_t code,
                                               std::span<const std::uint8_t> quoted_icmp,
                                               std::uint32_t quoted_destination) const {
  int failure = icmp_error_failure_code(type, code);
  if (failure == 0 || quoted_destination != target_ || !is_our_request(quoted_icmp)) {
    return {EchoVerdict::kUnrelated, 0};
  }
  return {EchoVerdict::kError, failure};
}

EchoVerdict EchoMatcher::classify_icmp(std::span<const std::uint8_t> icmp, std::uint32_t source) {
  if (icmp.size() < kIcmpHeaderSize || internet_checksum(icmp) != 0) {
    return {EchoVerdict::kUnrelated, 0};
  }
  if (icmp[0] != kIcmpEchoReply) return classify_error(icmp);
  bool ours = source == target_ && read_be16(icmp, 6) == sequence_ &&
              (!check_identifier_ || read_be16(icmp, 4) == identifier_);
  if (!ours || answered_) return {EchoVerdict::kUnrelated, 0};
  answered_ = true;
  return {EchoVerdict::kReply, 0};
}

// An ICMP error quotes the IP header and the first 8 bytes of the datagram it
// is about; the error's own source is a router, so only the quote can tell.
EchoVerdict EchoMatcher::classify_error(std::span<const std::uint8_t> icmp) const {
  std::span<const std::uint8_t> quoted = icmp.subspan(kIcmpHeaderSize);
  std::size_t header_size = icmp_ip_header_size(quoted);
  if (header_size == 0) return {EchoVerdict::kUnrelated, 0};
  return classify_queued_error(icmp[0], icmp[1], quoted.subspan(header_size),
                               read_address(quoted, 16));
}

bool EchoMatcher::is_our_request(std::span<const std::uint8_t> quoted_icmp) const {
  if (quoted_icmp.size() < kIcmpHeaderSize || quoted_icmp[0] != kIcmpEchoRequest) return false;
  if (check_identifier_ && read_be16(quoted_icmp, 4) != identifier_) return false;
  return read_be16(quoted_icmp, 6) == sequence_;
}

}  // namespace vornel
