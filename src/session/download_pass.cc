#include "device/download.h"
#include "device/texts.h"
#include "report/output.h"
#include "session/pass_steps.h"
#include "session/passes.h"
#include "session/target_list_builder.h"

namespace vornel {
namespace {

constexpr char kDownloadingLine[] = "\n\tDownloading %s    from     %s";
constexpr char kDownloadDone[] = "\tINI download                       Successful\n";

void download_target(Session& s, TargetRecord* record) {
  say(s, format(kDownloadingLine, record->ini_file_name, record->ip_address));
  if (!pass_check_ini_support(s, record)) return;
  if (!pass_probe(s, record, kSuccessfulSpaced)) return;
  if (download_ini_file(s, record) != 0) {
    say(s, kDownloadDone);
    flush_log(s);
    s.env.sleeper->sleep_ms(kAfterDownloadPauseMs);
  }
}

}  // namespace

bool run_download_pass(Session& s) {
  TargetRecord* first = build_target_list(s, kDownloadPass);
  if (first == nullptr) return false;
  for (TargetRecord* record = first; record != nullptr; record = record->next) {
    download_target(s, record);
  }
  end_pass(s, first);
  return true;
}

}  // namespace vornel
