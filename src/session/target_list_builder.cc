#include "session/target_list_builder.h"

#include <cstdio>
#include <string>

#include "platform/file_handle.h"
#include "report/output.h"
#include "session/main_menu.h"
#include "targets/target_entry.h"
#include "targets/target_list.h"

namespace vornel {
namespace {

constexpr char kUseBatchLine[] = "\t1:  Use parameters in batch file  \n";
constexpr char kExitLine[] = "\t3:  Exit\n";
constexpr char kActionPrompt[] = "\tAction: ";
constexpr char kNotUnderstood[] = "\t ** Input not understood, please try again **\n";
constexpr char kLogAnnouncement[] = "\n\t** Running batch parameters from %s **\n";

TargetRecord* single_entry(Session& s, const PassKind& pass) {
  auto* record = new TargetRecord{};
  if (pass.prompt_target(*s.env.console, record) == 0) {
    delete record;
    return nullptr;
  }
  return record;
}

}  // namespace

const PassKind kUploadPass = {
    "upload_list.txt",
    "  Batch upload file %s found \n",
    "\t2:  Enter new parameters for single upload \n",
    prompt_upload_target,
    "\n\tRunning batch parameters from %s\n",
    kLogAnnouncement,
};

const PassKind kDownloadPass = {
    "download_list.txt",
    "  Batch download file %s found \n",
    "\t2:  Enter new parameters for single download \n",
    prompt_download_target,
    kLogAnnouncement,
    kLogAnnouncement,
};

TargetRecord* build_target_list(Session& s, const PassKind& pass) {
  FileHandle list_file = open_file(pass.list_file_name, "r");
  if (!list_file) return single_entry(s, pass);

  std::string line;
  for (;;) {
    say_console(s, format(pass.found_line, pass.list_file_name));
    say_console(s, kUseBatchLine);
    say_console(s, pass.option2_line);
    say_console(s, kExitLine);
    say_console(s, kActionPrompt);
    if (!s.env.console->read_line(&line)) return nullptr;
    char answer = line.empty() ? '\0' : line[0];
    if (answer == '1') {
      TargetRecord* first = read_target_list(list_file.get(), pass.list_file_name, s.env.console);
      list_file.reset();
      if (first == nullptr) return single_entry(s, pass);
      say(s, format(pass.announce_console, pass.list_file_name),
          format(pass.announce_log, pass.list_file_name));
      return first;
    }
    if (answer == '2') {
      list_file.reset();
      return single_entry(s, pass);
    }
    if (answer == '3') {
      list_file.reset();
      wait_and_exit(s);
      return nullptr;
    }
    say_console(s, kNotUnderstood);
  }
}

}  // namespace vornel
