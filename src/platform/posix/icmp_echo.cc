#include "platform/posix/icmp_echo.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
// After the libc headers, so the kernel's copies of their types step aside.
#include <linux/errqueue.h>
#include <linux/icmp.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <span>

#include "platform/interrupt.h"

namespace vornel {
namespace {

using SteadyClock = std::chrono::steady_clock;

// At most this many datagrams are thrown away before a probe on a held
// socket: a receive buffer's worth, with room to spare, and a bound on the
// time a flood of ICMP can cost.
constexpr int kMostDiscarded = 4096;

// Large enough for any ICMP error (the kernel quotes at most 576 bytes); a
// longer packet is someone else's and arrives truncated, so it is skipped.
constexpr std::size_t kReceiveBufferSize = 1024;

// One datagram read from a socket without waiting: its bytes, and its sender
// (from the error queue: the destination of the request it quotes).
struct Datagram {
  sockaddr_in peer = {};
  iovec data = {};
  msghdr message = {};
};

// recvmsg into buffer, and control data into control when there is room for
// it. A signal that does not end the process only makes it try again.
// Returns the datagram's size, or -1 with errno set.
ssize_t receive(int fd, int flags, std::span<std::uint8_t> buffer, std::span<char> control,
                Datagram* datagram) {
  for (;;) {
    *datagram = {};
    datagram->data = {buffer.data(), buffer.size()};
    msghdr& message = datagram->message;
    message.msg_name = &datagram->peer;
    message.msg_namelen = sizeof datagram->peer;
    message.msg_iov = &datagram->data;
    message.msg_iovlen = 1;
    message.msg_control = control.empty() ? nullptr : control.data();
    message.msg_controllen = control.size();
    ssize_t size = recvmsg(fd, &message, flags | MSG_DONTWAIT);
    if (size >= 0 || errno != EINTR) return size;
    exit_if_interrupted();
  }
}

// The one operation that needs privilege (root or CAP_NET_RAW).
int open_raw_icmp_socket() { return socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP); }

int open_datagram_icmp_socket() {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) return -1;
  // ICMP errors about our requests reach a datagram socket only through its
  // error queue, with their type and code.
  int on = 1;
  if (setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0) {
    int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

// A raw socket sees every ICMP message of the host; let the kernel drop the
// types that can never concern an echo request. Best effort: the matcher
// ignores them anyway.
void filter_raw_icmp_types(int fd) {
  icmp_filter filter;
  filter.data =
      ~((1u << kIcmpEchoReply) | (1u << kIcmpDestUnreachable) | (1u << kIcmpSourceQuench) |
        (1u << kIcmpTimeExceeded) | (1u << kIcmpParameterProblem));
  setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
}

// Shared by every facility of the process, so two of them never wait for the
// same (identifier, sequence) pair on raw sockets.
std::uint16_t next_sequence() {
  static std::atomic<std::uint16_t> sequence{0};
  return ++sequence;
}

int remaining_poll_ms(SteadyClock::time_point deadline) {
  auto left = deadline - SteadyClock::now();
  if (left <= SteadyClock::duration::zero()) return 0;
  // Round up: a wait cut short by truncation would spin on a 0 ms poll.
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

}  // namespace

void IcmpEcho::Socket::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

bool IcmpEcho::hold_open() {
  held_ = false;
  bool opened = open();
  held_ = true;
  return opened;
}

bool IcmpEcho::open() {
  if (held_) {
    if (kind_ == kClosed) return false;
    discard_received();
    return true;
  }
  close();
  datagram_errno_ = 0;
  raw_errno_ = 0;
  int fd = open_datagram_icmp_socket();
  if (fd >= 0) {
    socket_.reset(fd);
    kind_ = kDatagram;
    matcher_ = EchoMatcher(EchoMatcher::kIcmpOnly, false);
    return true;
  }
  datagram_errno_ = errno;
  fd = open_raw_icmp_socket();
  if (fd < 0) {
    raw_errno_ = errno;
    return false;
  }
  filter_raw_icmp_types(fd);
  socket_.reset(fd);
  kind_ = kRaw;
  matcher_ = EchoMatcher(EchoMatcher::kWithIpHeader, true);
  return true;
}

void IcmpEcho::close() {
  if (held_) return;
  socket_.reset();
  kind_ = kClosed;
}

std::string IcmpEcho::open_failure_hint() const {
  if (raw_errno_ == 0) return "";
  std::string hint = "cannot open an ICMP socket (datagram: ";
  hint += std::strerror(datagram_errno_);
  hint += "; raw: ";
  hint += std::strerror(raw_errno_);
  hint += ")";
  if (raw_errno_ != EPERM && raw_errno_ != EACCES) return hint;
  hint +=
      "; run as root, give the binary raw sockets with `setcap cap_net_raw+ep <path>`,"
      " or let this group use ICMP datagram sockets with"
      " `sysctl -w net.ipv4.ping_group_range=\"";
  std::string gid = std::to_string(getgid());
  hint += gid + " " + gid + "\"`";
  return hint;
}

// Between two probes a held raw socket keeps receiving every ICMP message of
// the host (other programs' pings); once its receive buffer is full, the
// kernel would drop the next probe's first reply. Stale errors of a held
// datagram socket go the same way.
void IcmpEcho::discard_received() {
  std::uint8_t buffer[kReceiveBufferSize];
  for (int i = 0; i < kMostDiscarded; ++i) {
    Datagram datagram;
    if (receive(socket_.get(), 0, buffer, {}, &datagram) >= 0) continue;
    // A datagram socket reports a pending ICMP error once, instead of data.
    if (errno != EAGAIN && errno != EWOULDBLOCK) continue;
    if (receive(socket_.get(), MSG_ERRQUEUE, buffer, {}, &datagram) < 0) break;
  }
  int pending = 0;
  socklen_t length = sizeof pending;
  getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &pending, &length);
}

std::string IcmpEcho::open_failure_advice() const {
  return "run as root, give the binary the capability (setcap cap_net_raw+ep vornel),\n"
         "or widen net.ipv4.ping_group_range to include your group.\n";
}

EchoResult IcmpEcho::echo(const char* address, unsigned timeout_ms) {
  // A signal that arrived between two requests interrupted no wait: honour it
  // here, so Ctrl-C costs at most the one request under way.
  exit_if_interrupted();
  in_addr target;
  if (address == nullptr || inet_pton(AF_INET, address, &target) != 1) {
    return {EchoResult::kFailure, kEchoBadDestination};
  }
  // On a datagram socket the kernel replaces the identifier with its own.
  std::uint16_t identifier = kind_ == kRaw ? static_cast<std::uint16_t>(getpid()) : 0;
  std::uint16_t sequence = next_sequence();
  auto request = build_echo_request(identifier, sequence);
  matcher_.expect(target.s_addr, identifier, sequence);

  sockaddr_in destination = {};
  destination.sin_family = AF_INET;
  destination.sin_addr = target;
  const auto* to = reinterpret_cast<const sockaddr*>(&destination);
  while (sendto(socket_.get(), request.data(), request.size(), 0, to, sizeof destination) < 0) {
    if (errno != EINTR) return {EchoResult::kFailure, errno};
    exit_if_interrupted();
  }
  return wait_for_reply(timeout_ms);
}

EchoResult IcmpEcho::wait_for_reply(unsigned timeout_ms) {
  // One deadline for the whole wait: unrelated packets and other signals
  // neither lengthen nor shorten it.
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
  EchoResult result = {EchoResult::kTimeout, 0};
  for (;;) {
    int wait_ms = remaining_poll_ms(deadline);
    if (wait_ms == 0) return {EchoResult::kTimeout, 0};
    pollfd entry = {socket_.get(), POLLIN, 0};
    int ready = poll(&entry, 1, wait_ms);
    if (ready < 0) {
      if (errno != EINTR) return {EchoResult::kFailure, errno};
      exit_if_interrupted();
      continue;
    }
    if (ready == 0) continue;
    if ((entry.revents & POLLERR) && drain_error_queue(&result)) return result;
    if ((entry.revents & POLLIN) && drain_replies(&result)) return result;
  }
}

bool IcmpEcho::drain_replies(EchoResult* result) {
  std::uint8_t buffer[kReceiveBufferSize];
  for (;;) {
    Datagram datagram;
    ssize_t size = receive(socket_.get(), 0, buffer, {}, &datagram);
    if (size < 0) {
      // EAGAIN: all read. Anything else is a datagram socket reporting an
      // ICMP error a second time; its error queue entry is what counts.
      return false;
    }
    if (datagram.message.msg_flags & MSG_TRUNC) continue;
    std::span<const std::uint8_t> packet(buffer, static_cast<std::size_t>(size));
    EchoVerdict verdict = matcher_.classify(packet, datagram.peer.sin_addr.s_addr);
    if (verdict.kind == EchoVerdict::kReply) {
      *result = {EchoResult::kReply, 0};
      return true;
    }
    if (verdict.kind == EchoVerdict::kError) {
      *result = {EchoResult::kFailure, verdict.code};
      return true;
    }
  }
}

bool IcmpEcho::drain_error_queue(EchoResult* result) {
  std::uint8_t buffer[kReceiveBufferSize];
  alignas(cmsghdr) char control[512];
  for (;;) {
    Datagram datagram;
    ssize_t size = receive(socket_.get(), MSG_ERRQUEUE, buffer, control, &datagram);
    if (size < 0) {
      // Clears a pending socket error that has no queue entry (a raw socket
      // keeps none), so poll() does not report it again and again.
      int pending = 0;
      socklen_t length = sizeof pending;
      getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &pending, &length);
      return false;
    }
    msghdr& message = datagram.message;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
      if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR) continue;
      // Only a whole error record is read; a cut one (MSG_CTRUNC) is skipped.
      if (c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err))) continue;
      sock_extended_err error;
      std::memcpy(&error, CMSG_DATA(c), sizeof error);
      // Local errors were already returned by sendto().
      if (error.ee_origin != SO_EE_ORIGIN_ICMP) continue;
      std::span<const std::uint8_t> quoted(buffer, static_cast<std::size_t>(size));
      EchoVerdict verdict = matcher_.classify_queued_error(error.ee_type, error.ee_code, quoted,
                                                           datagram.peer.sin_addr.s_addr);
      if (verdict.kind == EchoVerdict::kError) {
        *result = {EchoResult::kFailure, verdict.code};
        return true;
      }
    }
  }
}

}  // namespace vornel
