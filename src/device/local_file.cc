#include "device/local_file.h"

#include <string>

#include "base/local_name.h"
#include "device/texts.h"

namespace vornel {
namespace {

constexpr char kFileLabel[] = "\tChecking file                      ";
constexpr char kCantOpenFile[] = "  ... ERROR: Can't open file.\n\n";

}  // namespace

FileHandle open_named_file(const DeviceContext& d, const char* name) {
  std::string notice;
  FileHandle file = d.files.open_for_reading(name, &notice);
  if (!notice.empty() && d.file_notices_said.insert(notice).second)
    d.out.console.error("vornel: " + notice + "\n");
  return file;
}

FileHandle local_file_step(const DeviceContext& d, TargetRecord* record) {
  // Opened before the label: a line on standard error about the file then
  // stands on a line of its own, not inside the label's.
  FileHandle file;
  if (!local_name_refusal(record->ini_file_name)) {
    file = open_named_file(d, record->ini_file_name);
  }
  say(d.out, kFileLabel);
  if (!file) {
    say_console(d.out, kCantOpenFile);
    flush_log(d.out);
    record_failure(d.totals, record, STATUS_FILE_NOT_OPENED);
    return file;
  }
  say(d.out, kSuccessfulSpaced);
  return file;
}

}  // namespace vornel
