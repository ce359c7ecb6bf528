#ifndef VORNEL_PLATFORM_POSIX_ICMP_ECHO_H_
#define VORNEL_PLATFORM_POSIX_ICMP_ECHO_H_

#include <cstdint>
#include <string>

#include "platform/echo.h"
#include "platform/posix/echo_packet.h"

namespace vornel {

// Echo over an ICMP socket of this host.
//
// open() prefers an ICMP datagram socket, which needs no privilege when the
// caller's group is inside net.ipv4.ping_group_range; the kernel then picks
// the identifier and filters replies by it. Otherwise it falls back to a raw
// ICMP socket, which needs root or CAP_NET_RAW and sees all ICMP traffic of
// the host; the identifier then comes from the process id.
//
// hold_open() opens that socket once, for the whole run: the raw fallback
// needs its privilege only then, and the caller may give the privilege up
// right after it.
//
// echo() waits for at most timeout_ms in total on the monotonic clock,
// however much unrelated ICMP traffic arrives meanwhile. SIGINT or SIGTERM
// during the wait ends the process through exit_if_interrupted(); any other
// signal only interrupts the poll, and the wait goes on for the time left.
class IcmpEcho : public EchoFacility {
 public:
  enum SocketKind { kClosed, kDatagram, kRaw };

  IcmpEcho() = default;
  ~IcmpEcho() override = default;  // the socket member closes itself
  IcmpEcho(const IcmpEcho&) = delete;
  IcmpEcho& operator=(const IcmpEcho&) = delete;

  // Opens the socket as open() does and keeps it until this object is
  // destroyed: from then on open() opens nothing (it reports whether that
  // socket is there, after throwing away what it received since the last
  // probe) and close() leaves it open. Returns whether it opened.
  bool hold_open();

  bool open() override;
  EchoResult echo(const char* address, unsigned timeout_ms) override;
  // Idempotent; the destructor calls it too. Keeps a held socket open.
  void close() override;

  SocketKind socket_kind() const { return kind_; }

  // After open() returned false: one line saying why no ICMP socket could be
  // opened and how to allow one. Empty when open() has not failed.
  std::string open_failure_hint() const override;
  // The ways to allow one: root, the file capability, the datagram group range.
  std::string open_failure_advice() const override;

 private:
  EchoResult wait_for_reply(unsigned timeout_ms);
  // Reads what the socket holds; true and *result set once the outcome is known.
  bool drain_replies(EchoResult* result);
  bool drain_error_queue(EchoResult* result);
  void discard_received();

  // Owns a descriptor: closes it when replaced and when destroyed.
  class Socket {
   public:
    Socket() = default;
    ~Socket() { reset(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1);

   private:
    int fd_ = -1;
  };

  Socket socket_;
  SocketKind kind_ = kClosed;
  bool held_ = false;       // hold_open() was called: open() and close() keep the socket
  int datagram_errno_ = 0;  // why the datagram socket did not open
  int raw_errno_ = 0;       // why the raw socket did not open
  EchoMatcher matcher_{EchoMatcher::kIcmpOnly, false};
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_POSIX_ICMP_ECHO_H_
