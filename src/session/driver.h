#ifndef VORNEL_SESSION_DRIVER_H_
#define VORNEL_SESSION_DRIVER_H_

#include <functional>
#include <memory>
#include <string>

#include "session/env.h"

namespace vornel {

inline constexpr char kLogFileName[] = "log.txt";

// Opens "log.txt"; nullptr with a reason in *error when it can't.
using LogOpener = std::function<std::unique_ptr<LogSink>(std::string* error)>;

// One run of the utility: banner, "log.txt" and its header, then the main menu
// until the operator leaves. env.log is ignored; the log comes from open_log.
// Returns the exit status (exit_statuses.h): 0 after menu choice 3 (or the end
// of input at the menu), 1 when the operator left inside a pass or the log
// can't be opened.
int run_utility(Env env, const LogOpener& open_log);

}  // namespace vornel

#endif  // VORNEL_SESSION_DRIVER_H_
