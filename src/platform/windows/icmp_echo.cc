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

using IcmpCreateFileCall = HANDLE(WINAPI*)();
using IcmpCloseHandleCall = BOOL(WINAPI*)(HANDLE);
using IcmpSendEchoCall = DWORD(WINAPI*)(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION,
                                        LPVOID, DWORD, DWORD);

// The echo service's calls, from the system's own iphlpapi.dll. It is no
// KnownDLL: imported at load time it would be looked for in the folder the
// exe sits in first, and a planted copy would run as the operator before
// main(). So it is loaded here, from the system folder only, once, and kept
// for the life of the process.
struct IcmpService {
  IcmpCreateFileCall create_file = nullptr;
  IcmpCloseHandleCall close_handle = nullptr;
  IcmpSendEchoCall send_echo = nullptr;
  DWORD load_error = 0;  // why the calls are missing; 0 when all are there
};

template <typename Call>
Call find_call(HMODULE module, const char* name) {
  // Through void (*)(), the one type any function pointer converts to and
  // back from without a cast-function-type warning.
  return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

IcmpService load_icmp_service() {
  IcmpService service;
  HMODULE module = LoadLibraryExW(L"iphlpapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr) {
    service.create_file = find_call<IcmpCreateFileCall>(module, "IcmpCreateFile");
    service.close_handle = find_call<IcmpCloseHandleCall>(module, "IcmpCloseHandle");
    service.send_echo = find_call<IcmpSendEchoCall>(module, "IcmpSendEcho");
  }
  if (service.create_file == nullptr || service.close_handle == nullptr ||
      service.send_echo == nullptr) {
    service.load_error = GetLastError();
    if (service.load_error == 0) service.load_error = ERROR_PROC_NOT_FOUND;
  }
  return service;
}

const IcmpService& icmp_service() {
  static const IcmpService service = load_icmp_service();
  return service;
}

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

bool IcmpEcho::open() {
  close();
  open_error_ = 0;
  const IcmpService& service = icmp_service();
  if (service.load_error != 0) {
    open_error_ = service.load_error;
    open_step_ = "loading iphlpapi.dll";
    return false;
  }
  HANDLE handle = service.create_file();
  if (handle == INVALID_HANDLE_VALUE) {
    open_error_ = GetLastError();
    if (open_error_ == 0) open_error_ = ERROR_GEN_FAILURE;
    open_step_ = "IcmpCreateFile";
    return false;
  }
  handle_ = handle;
  return true;
}

void IcmpEcho::close() {
  // A handle exists only when the service's calls were found.
  if (handle_ != nullptr) icmp_service().close_handle(handle_);
  handle_ = nullptr;
}

std::string IcmpEcho::open_failure_hint() const {
  if (open_error_ == 0) return "";
  return "cannot open the ICMP echo service (" + std::string(open_step_) + ": " +
         system_error_text(open_error_) + ")";
}

std::string IcmpEcho::open_failure_advice() const {
  return "the probe uses Windows' ICMP echo service (iphlpapi.dll in the system folder),\n"
         "which needs no administrator rights: check that security software or a policy\n"
         "does not block it for vornel.exe.\n";
}

EchoResult IcmpEcho::echo(const char* address, unsigned timeout_ms) {
  // An interrupt that arrived between two requests: honoured before the next.
  exit_if_interrupted();
  std::uint32_t target = 0;
  if (!parse_ipv4_address(address, &target)) return echo_result_for_status(IP_BAD_DESTINATION);
  alignas(ICMP_ECHO_REPLY) unsigned char reply_area[kReplyAreaSize];
  DWORD replies = icmp_service().send_echo(handle_, target, nullptr, 0, nullptr, reply_area,
                                           kReplyAreaSize, timeout_ms);
  DWORD error = replies == 0 ? GetLastError() : 0;
  exit_if_interrupted();
  // No reply and no reason given must not pass for IP_SUCCESS.
  if (replies == 0) return echo_result_for_status(error != IP_SUCCESS ? error : IP_GENERAL_FAILURE);
  ICMP_ECHO_REPLY reply;
  std::memcpy(&reply, reply_area, sizeof reply);
  return echo_result_for_status(reply.Status);
}

}  // namespace vornel
