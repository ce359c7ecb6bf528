#include "report/summary.h"

#include "report/output.h"
#include "report/summary_texts.h"

namespace vornel {
namespace {

constexpr char kConfigNote[] =
    "\n\tDetected config.ini file,\n\tsaved new config file(s) as [ipaddress].ini\n";
constexpr char kNoErrors[] = "\n\tNo errors detected during this session.\n";
constexpr char kOneFailure[] = "\n\tThere was 1 failure logged this session.\n";
constexpr char kFailuresConsole[] = "\n\tThere were %i failures logged this session.\n";
constexpr char kFailuresLog[] = "\n\tThere were %i failures.\n";
constexpr char kClosing[] = "\n\tThe results of this session are logged in 'log.txt' \n";
constexpr char kClosingGap[] = "\n\n";

// The per-target lines go to the log first, then to the console.
void say_log_first(Transcript& out, const std::string& log_text, const std::string& console_text) {
  say_log(out, log_text);
  say_console(out, console_text);
}

void report_target(Transcript& out, const TargetRecord& record) {
  std::string address = format(kSummaryTargetLine, record.ip_address);
  say_log_first(out, address, address);
  for (const SummaryReason& reason : kSummaryReasons) {
    if (reason.status == record.status) {
      return say_log_first(out, format(reason.log, record.ini_file_name),
                           format(reason.console, record.ini_file_name));
    }
  }
  say_log_first(out, kReasonUnknown, kReasonUnknown);
}

// A summary text without the blanks before it and the newline after it.
std::string sentence_of(std::string text) {
  std::size_t begin = text.find_first_not_of(' ');
  text.erase(0, begin == std::string::npos ? text.size() : begin);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace

std::string failure_sentence(const TargetRecord& record) {
  for (const SummaryReason& reason : kSummaryReasons) {
    if (reason.status == record.status) {
      return sentence_of(format(reason.console, record.ini_file_name));
    }
  }
  return sentence_of(kReasonUnknown);
}

void print_summary(Transcript& out, const RunTotals& totals, const TargetRecord* list) {
  say(out, kSummaryHeader);
  flush_log(out);
  if (totals.config_ini_detected != 0) {
    say_log(out, kConfigNote);
    flush_log(out);
  }
  if (totals.failure_count == 0) {
    say(out, kNoErrors);
    flush_log(out);
  } else {
    if (totals.failure_count == 1) {
      say(out, kOneFailure);
    } else {
      say(out, format(kFailuresConsole, totals.failure_count),
          format(kFailuresLog, totals.failure_count));
    }
    flush_log(out);
    for (const TargetRecord* record = list; record != nullptr; record = record->next) {
      if (record->status != STATUS_SUCCESS) report_target(out, *record);
    }
  }
  say_console(out, kClosing);
  say_console(out, kClosingGap);
}

}  // namespace vornel
