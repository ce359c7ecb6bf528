#ifndef VORNEL_PLATFORM_WINDOWS_ICMP_ECHO_H_
#define VORNEL_PLATFORM_WINDOWS_ICMP_ECHO_H_

#include <string>

#include "platform/echo.h"

namespace vornel {

// What an IP_STATUS of the ICMP echo service (the status of a reply, or
// GetLastError() after IcmpSendEcho failed) means for a request, in the
// codes of echo.h that the POSIX build reports for the same events:
// IP_SUCCESS is a reply, IP_REQ_TIMED_OUT a time-out, an ICMP error about the
// request its failure code (kEchoGeneralFailure for the rarer ICMP errors),
// a bad address kEchoBadDestination. Any other status is a local failure and
// is reported as it is, as the POSIX build reports an errno.
EchoResult echo_result_for_status(unsigned long status);

// Echo through the Windows ICMP echo service (IcmpCreateFile, IcmpSendEcho,
// IcmpCloseHandle of iphlpapi), which needs no administrator rights. The
// first open() loads iphlpapi.dll from the system folder, never from the
// exe's; when that fails, open() fails and says why. A reply
// counts only when its status is IP_SUCCESS: an ICMP error from a router on
// the way arrives as a reply record too, and must not make an unreachable
// device look reachable.
//
// echo() blocks for at most timeout_ms. An interrupt that arrives meanwhile
// ends the process (exit_if_interrupted()) as soon as the request returns.
class IcmpEcho : public EchoFacility {
 public:
  IcmpEcho() = default;
  ~IcmpEcho() override { close(); }
  IcmpEcho(const IcmpEcho&) = delete;
  IcmpEcho& operator=(const IcmpEcho&) = delete;

  bool open() override;
  EchoResult echo(const char* address, unsigned timeout_ms) override;
  // Idempotent; the destructor calls it too.
  void close() override;
  // After open() returned false: why the service could not be opened.
  std::string open_failure_hint() const override;
  // What a Windows operator can check: no privilege is involved here.
  std::string open_failure_advice() const override;

 private:
  void* handle_ = nullptr;
  unsigned long open_error_ = 0;
  const char* open_step_ = "";  // what failed with open_error_
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_WINDOWS_ICMP_ECHO_H_
