#include "session/target_list_builder.h"

#include <cstdio>
#include <string>

#include "device/local_file.h"
#include "report/output.h"
#include "session/main_menu.h"
#include "session/target_entry.h"
#include "targets/target_list.h"

namespace vornel {
namespace {

constexpr char kUseBatchLine[] = "\t1:  Use parameters in batch file  \n";
constexpr char kExitLine[] = "\t3:  Exit\n";
constexpr char kActionPrompt[] = "\tAction: ";
constexpr char kNotUnderstood[] = "\t ** Input not understood, please try again **\n";
constexpr char kLogAnnouncement[] = "\n\t** Running batch parameters from %s **\n";

TargetRecord* single_entry(RunContext& run, const PassKind& pass) {
  auto* record = new TargetRecord{};
  if (pass.prompt_target(*run.env.console, record) != EntryOutcome::kConfirmed) {
    delete record;
    return nullptr;
  }
  return record;
}

}  // namespace

void warn_if_shared(RunContext& run, const char* file_name, std::FILE* list_file) {
  if (!run.env.files->shared_with_others(list_file)) return;
  if (!run.shared_lists_said.insert(file_name).second) return;
  run.env.console->error(std::string("vornel: ") + file_name +
                         " holds device passwords and can be read by other users; "
                         "make it yours alone with: chmod 600 " +
                         file_name + "\n");
}

const PassKind kUploadPass = {
    .list_file_name = "upload_list.txt",
    .found_line = "  Batch upload file %s found \n",
    .option2_line = "\t2:  Enter new parameters for single upload \n",
    .prompt_target = prompt_upload_target,
    .announce_console = "\n\tRunning batch parameters from %s\n",
    .announce_log = kLogAnnouncement,
};

const PassKind kDownloadPass = {
    .list_file_name = "download_list.txt",
    .found_line = "  Batch download file %s found \n",
    .option2_line = "\t2:  Enter new parameters for single download \n",
    .prompt_target = prompt_download_target,
    .announce_console = kLogAnnouncement,
    .announce_log = kLogAnnouncement,
};

TargetRecord* build_target_list(RunContext& run, const PassKind& pass) {
  FileHandle list_file = open_named_file(device_context(run), pass.list_file_name);
  if (!list_file) return single_entry(run, pass);
  warn_if_shared(run, pass.list_file_name, list_file.get());

  std::string line;
  for (;;) {
    say_console(run.out, format(pass.found_line, pass.list_file_name));
    say_console(run.out, kUseBatchLine);
    say_console(run.out, pass.option2_line);
    say_console(run.out, kExitLine);
    say_console(run.out, kActionPrompt);
    if (!run.env.console->read_line(&line)) return nullptr;
    char answer = line.empty() ? '\0' : line[0];
    if (answer == '1') {
      TargetRecord* first = read_target_list(list_file.get(), pass.list_file_name, run.env.console);
      list_file.reset();
      if (first == nullptr) return single_entry(run, pass);
      say(run.out, format(pass.announce_console, pass.list_file_name),
          format(pass.announce_log, pass.list_file_name));
      return first;
    }
    if (answer == '2') {
      list_file.reset();
      return single_entry(run, pass);
    }
    if (answer == '3') {
      list_file.reset();
      wait_and_exit(run);
      return nullptr;
    }
    say_console(run.out, kNotUnderstood);
  }
}

}  // namespace vornel
