#include "platform/windows/icmp_echo.h"

// <winsock2.h> before <windows.h>, and both before the IP helper headers.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on

#include <cstdint>
#include <cstring>

#include "base/ipv4_address.h"
#include "platform/interrupt.h"
#include "platform/windows/system_error.h"

namespace vornel {
namespace {

// One reply record and the 8 bytes of an ICMP error message that the
// service may copy after it, as it requires; a request carries no data.
constexpr DWORD kReplyAreaSize = sizeof(ICMP_ECHO_REPLY) + 8;

}  // namespace

EchoResult echo_result_for_status(unsigned long status) {
  switch (status) {
    case IP_SUCCESS:
      return {EchoResult::kReply, 0};
    case IP_REQ_TIMED_OUT:
      return {EchoResult::kTimeout, 0};
    case IP_DEST_NET_UNREACHABLE:
      return {EchoResult::kFailure, kEchoDestNetUnreachable};
    case IP_DEST_HOST_UNREACHABLE:
      return {EchoResult::kFailure, kEchoDestHostUnreachable};
    case IP_DEST_PROT_UNREACHABLE:
      return {EchoResult::kFailure, kEchoDestProtocolUnreachable};
    case IP_DEST_PORT_UNREACHABLE:
      return {EchoResult::kFailure, kEchoDestPortUnreachable};
    case IP_TTL_EXPIRED_TRANSIT:
      return {EchoResult::kFailure, kEchoTtlExpiredTransit};
    case IP_BAD_DESTINATION:
      return {EchoResult::kFailure, kEchoBadDestination};
    // The ICMP errors that the POSIX build also counts as general failures.
    case IP_TTL_EXPIRED_REASSEM:
    case IP_PARAM_PROBLEM:
    case IP_SOURCE_QUENCH:
    case IP_GENERAL_FAILURE:
      return {EchoResult::kFailure, kEchoGeneralFailure};
    default:
      return {EchoResult::kFailure, static_cast<int>(status)};
  }
}

bool IcmpServiceEcho::open() {
  close();
  open_error_ = 0;
  HANDLE handle = IcmpCreateFile();
  if (handle == INVALID_HANDLE_VALUE) {
    open_error_ = GetLastError();
    if (open_error_ == 0) open_error_ = ERROR_GEN_FAILURE;
    return false;
  }
  handle_ = handle;
  return true;
}

void IcmpServiceEcho::close() {
  if (handle_ != nullptr) IcmpCloseHandle(handle_);
  handle_ = nullptr;
}

std::string IcmpServiceEcho::open_failure_hint() const {
  if (open_error_ == 0) return "";
  return "cannot open the ICMP echo service (IcmpCreateFile: " + system_error_text(open_error_) +
         ")";
}

EchoResult IcmpServiceEcho::echo(const char* address, unsigned timeout_ms) {
  // An interrupt that arrived between two requests: honoured before the next.
  exit_if_interrupted();
  std::uint32_t target = 0;
  if (!parse_ipv4_address(address, &target)) return echo_result_for_status(IP_BAD_DESTINATION);
  alignas(ICMP_ECHO_REPLY) unsigned char reply_area[kReplyAreaSize];
  DWORD replies =
      IcmpSendEcho(handle_, target, nullptr, 0, nullptr, reply_area, kReplyAreaSize, timeout_ms);
  DWORD error = replies == 0 ? GetLastError() : 0;
  exit_if_interrupted();
  // No reply and no reason given must not pass for IP_SUCCESS.
  if (replies == 0) return echo_result_for_status(error != IP_SUCCESS ? error : IP_GENERAL_FAILURE);
  ICMP_ECHO_REPLY reply;
  std::memcpy(&reply, reply_area, sizeof reply);
  return echo_result_for_status(reply.Status);
}

}  // namespace vornel
