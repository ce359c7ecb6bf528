#include "session/pass_steps.h"

#include "device/ini_support.h"
#include "device/probe.h"
#include "device/texts.h"
#include "report/log_header.h"
#include "report/output.h"
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

}  // namespace

FileHandle open_named_file(RunContext& run, const char* name) {
  std::string notice;
  FileHandle file = run.env.files->open_for_reading(name, &notice);
  if (!notice.empty() && run.file_notices_said.insert(notice).second)
    run.env.console->error("vornel: " + notice + "\n");
  return file;
}

bool pass_check_ini_support(RunContext& run, TargetRecord* record) {
  say(run.out, kCheckLabel);
  switch (check_ini_support(run.out, *run.env.ftp, *run.env.files, *record, &run.notes.firmware)) {
    case kIniSupported:
      say(run.out, kSuccessfulPlain);
      return true;
    case kIniNotSupported:
      say(run.out, kNotSupportedConsole, kNotSupportedLog);
      record_failure(run.totals, record, STATUS_INI_NOT_SUPPORTED);
      return false;
    default:
      say_console(run.out, kVersionProblem);
      record_failure(run.totals, record, STATUS_LOGIN_FAILED);
      return false;
  }
}

bool pass_probe(RunContext& run, TargetRecord* record, const char* ok_text) {
  say(run.out, kConnectionLabel);
  flush_log(run.out);
  if (ping_target(run.out, run.prober, record->ip_address, kProbeFailureLimit) != 1) {
    say(run.out, format(kNoResponse, record->ip_address));
    flush_log(run.out);
    record_failure(run.totals, record, STATUS_NOT_RESPONSIVE);
    return false;
  }
  say(run.out, ok_text);
  flush_log(run.out);
  return true;
}

void end_pass(RunContext& run, const TargetRecord* first) {
  print_summary(run.out, run.totals, first);
  write_pass_footer(run.out);
}

bool run_pass(RunContext& run, const PassKind& kind, TargetStep take_target) {
  TargetRecord* first = build_target_list(run, kind);
  if (first == nullptr) return false;
  for (TargetRecord* record = first; record != nullptr; record = record->next) {
    take_target(run, record);
  }
  end_pass(run, first);
  free_target_list(first);
  return true;
}

}  // namespace vornel
