#include "session/driver.h"

#include "report/log_header.h"
#include "report/output.h"
#include "report/watched_log.h"
#include "session/exit_statuses.h"
#include "session/main_menu.h"
#include "session/passes.h"
#include "session/run_context.h"
#include "session/version.h"

namespace vornel {

int run_utility(Env env, const LogOpener& open_log) {
  std::string start_time = format_start_time(env.clock->local_now());
  env.console->write(format(kBanner, kVersion));

  std::string error;
  std::unique_ptr<LogSink> log = open_log(&error);
  if (!log) {
    env.console->error(std::string("vornel: cannot open ") + kLogFileName + ": " + error + "\n");
    return exit_status(UtilityExit::kNoLog);
  }
  WatchedLog watched(log.get(), kLogFileName, env.console);
  env.log = &watched;
  RunContext run = make_run_context(env);
  write_log_header(run.out, start_time);

  for (;;) {
    MenuChoice choice = show_main_menu(run);
    if (choice == MenuChoice::kExit) {
      flush_log(run.out);  // so that a log the disk did not take is still said
      return exit_status(UtilityExit::kLeftAtMenu);  // destroying the log closes it
    }
    bool complete = choice == MenuChoice::kUpload ? run_upload_pass(run) : run_download_pass(run);
    if (!complete) return exit_status(UtilityExit::kLeftInPass);
  }
}

}  // namespace vornel
