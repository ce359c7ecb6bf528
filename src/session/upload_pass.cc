#include <cstdio>

#include "device/texts.h"
#include "device/upload.h"
#include "report/output.h"
#include "session/pass_steps.h"
#include "session/passes.h"
#include "session/target_list_builder.h"

namespace vornel {
namespace {

constexpr char kUploadingLine[] = "\n\tUploading %s      to       %s";
constexpr char kFileLabel[] = "\tChecking file                      ";
constexpr char kCantOpenFile[] = "  ... ERROR: Can't open file.\n\n";
constexpr char kUploadDone[] = "\tINI upload                         Successful\n";

// The local INI file must open for reading before anything is sent.
bool check_local_file(Session& s, TargetRecord* record) {
  say(s, kFileLabel);
  std::FILE* file = std::fopen(record->ini_file_name, "r");
  if (file == nullptr) {
    say_console(s, kCantOpenFile);
    flush_log(s);
    ++s.totals.failure_count;
    record->status = STATUS_FILE_NOT_OPENED;
    return false;
  }
  std::fclose(file);
  say(s, kSuccessfulSpaced);
  return true;
}

void upload_target(Session& s, TargetRecord* record) {
  say(s, format(kUploadingLine, record->ini_file_name, record->ip_address));
  if (!pass_check_ini_support(s, record)) return;
  if (!check_local_file(s, record)) return;
  if (!pass_probe(s, record, kSuccessfulPlain)) return;
  if (upload_ini_file(s, record) != 0) {
    say(s, kUploadDone);
    flush_log(s);
  }
}

}  // namespace

bool run_upload_pass(Session& s) {
  TargetRecord* first = build_target_list(s, kUploadPass);
  if (first == nullptr) return false;
  for (TargetRecord* record = first; record != nullptr; record = record->next) {
    upload_target(s, record);
  }
  end_pass(s, first);
  return true;
}

}  // namespace vornel
