#include "session/driver.h"

#include "report/output.h"
#include "report/session_log.h"
#include "report/watched_log.h"
#include "session/main_menu.h"
#include "session/passes.h"

namespace vornel {
namespace {

constexpr char kBanner[] = "%s\n\n";
constexpr char kVersion[] = "Vornel version 1.0d";

}  // namespace

int run_session(Env env, const LogOpener& open_log) {
  std::string start_time = format_start_time(env.clock->local_now());
  env.console->write(format(kBanner, kVersion));

  std::string error;
  std::unique_ptr<LogSink> log = open_log(&error);
  if (!log) {
    env.console->error(std::string("vornel: cannot open ") + kLogFileName + ": " + error + "\n");
    return 1;
  }
  WatchedLog watched(log.get(), kLogFileName, env.console);
  Session s{env, {}};
  s.env.log = &watched;
  write_session_header(s, start_time);

  for (;;) {
    int choice = show_main_menu(s);
    if (choice == kMenuExit) {
      flush_log(s);  // so that a log the disk did not take is still said
      return 0;      // destroying the log closes it
    }
    bool complete = choice == kMenuUpload ? run_upload_pass(s) : run_download_pass(s);
    if (!complete) return kExitLeftInPass;
  }
}

}  // namespace vornel
