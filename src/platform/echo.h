#ifndef VORNEL_PLATFORM_ECHO_H_
#define VORNEL_PLATFORM_ECHO_H_

#include <string>

namespace vornel {

// Outcome of one ICMP echo request.
struct EchoResult {
  enum Kind { kReply, kTimeout, kFailure };
  Kind kind;
  int code;  // kFailure only: what went wrong, one of the values below
};

// EchoResult::code values of kFailure. They follow the IP status numbers of
// the Windows ping tools, which operators already know from older logs.
//
// ICMP destination unreachable, by its code: net (0), net unknown (6), net
// prohibited (9), net for TOS (11).
inline constexpr int kEchoDestNetUnreachable = 11002;
// ICMP destination unreachable: host (1), host unknown (7), host prohibited
// (10), host for TOS (12).
inline constexpr int kEchoDestHostUnreachable = 11003;
// ICMP destination unreachable: protocol (2).
inline constexpr int kEchoDestProtocolUnreachable = 11004;
// ICMP destination unreachable: port (3).
inline constexpr int kEchoDestPortUnreachable = 11005;
// ICMP time exceeded: TTL expired in transit (0).
inline constexpr int kEchoTtlExpiredTransit = 11013;
// The address text is not a dotted-decimal IPv4 address. Nothing was sent.
inline constexpr int kEchoBadDestination = 11018;
// Any other ICMP error about the request: the remaining unreachable codes
// (fragmentation needed, source route failed, administratively prohibited,
// ...), reassembly time exceeded, parameter problem, source quench.
inline constexpr int kEchoGeneralFailure = 11050;
// Any other code is a local failure, and nothing left the host: on POSIX
// systems the errno with which sendto() refused the request (ENETUNREACH
// when no route leads to the address, EPERM when a local firewall rule
// rejects it, ...) or poll() failed; on Windows the echo service's own
// status or error code (11050 when a local firewall rule rejects it).

// An ICMP echo facility: open, echo one request at a time, close.
class EchoFacility {
 public:
  virtual ~EchoFacility() = default;
  // Returns false when no echo can be sent at all (no ICMP socket).
  virtual bool open() = 0;
  // Sends one echo request without payload to the dotted-decimal IPv4 address
  // and waits at most timeout_ms for its reply.
  // REQUIRES: open() returned true.
  virtual EchoResult echo(const char* address, unsigned timeout_ms) = 0;
  virtual void close() = 0;
  // After open() failed: one line saying why, or "".
  virtual std::string open_failure_hint() const { return ""; }
  // After open() failed: what the operator can do about it on this system,
  // lines each ending in '\n', or "".
  virtual std::string open_failure_advice() const { return ""; }
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_ECHO_H_
