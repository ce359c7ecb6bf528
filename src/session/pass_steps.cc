#include "session/pass_steps.h"

#include "device/ini_support.h"
#include "device/probe.h"
#include "device/texts.h"
#include "report/output.h"
#include "report/session_log.h"
#include "report/summary.h"
#include "session/passes.h"
#include "targets/target_list.h"

namespace vornel {
namespace {

constexpr char kCheckLabel[] = "\n\tChecking for INI support           ";
constexpr char kVersionProblem[] =
    "\n\tProblem accessing version information, \n\tsee log for details \n";
constexpr char kNotSupportedConsole[] = "Error, INI files not supported \n";
constexpr char kNotSupportedLog[] = "\tError, INI files not supported \n";
constexpr char kConnectionLabel[] = "\tTesting connection                 ";
constexpr char kNoResponse[] = "  ... ERROR: %s no response to ping.\n\n";

void fail(Session& s, TargetRecord* record, TargetStatus status) {
  ++s.totals.failure_count;
  record->status = status;
}

}  // namespace

bool pass_check_ini_support(Session& s, TargetRecord* record) {
  say(s, kCheckLabel);
  switch (check_ini_support(s, *record)) {
    case kIniSupported:
      say(s, kSuccessfulPlain);
      return true;
    case kIniNotSupported:
      say(s, kNotSupportedConsole, kNotSupportedLog);
      fail(s, record, STATUS_INI_NOT_SUPPORTED);
      return false;
    default:
      say_console(s, kVersionProblem);
      fail(s, record, STATUS_LOGIN_FAILED);
      return false;
  }
}

bool pass_probe(Session& s, TargetRecord* record, const char* ok_text) {
  say(s, kConnectionLabel);
  flush_log(s);
  if (ping_target(s, record->ip_address, kProbeFailureLimit) != 1) {
    say(s, format(kNoResponse, record->ip_address));
    flush_log(s);
    fail(s, record, STATUS_NOT_RESPONSIVE);
    return false;
  }
  say(s, ok_text);
  flush_log(s);
  return true;
}

void end_pass(Session& s, TargetRecord* first) {
  print_summary(s, first);
  write_pass_footer(s);
  free_target_list(first);
}

}  // namespace vornel
