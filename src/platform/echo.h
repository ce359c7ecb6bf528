#ifndef VORNEL_PLATFORM_ECHO_H_
#define VORNEL_PLATFORM_ECHO_H_

#include <string>

namespace vornel {

// Outcome of one ICMP echo request.
struct EchoResult {
  enum Kind { kReply, kTimeout, kFailure };
  Kind kind;
  int code;  // kFailure only: what went wrong (see echo_icmp.h for the values)
};

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
  // After open() failed: one line saying why and how to allow echo, or "".
  virtual std::string open_failure_hint() const { return ""; }
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_ECHO_H_
