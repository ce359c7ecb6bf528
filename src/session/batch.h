#ifndef VORNEL_SESSION_BATCH_H_
#define VORNEL_SESSION_BATCH_H_

#include <functional>
#include <string>
#include <vector>

#include "session/driver.h"
#include "session/exit_statuses.h"

namespace vornel {

// vornel-batch: one pass over a batch list, ordered on the command line
// instead of at the menu, with a record per group for other programs.

enum class BatchCommand { kUpload, kDownload, kCheckUpload, kCheckDownload };

struct BatchOptions {
  BatchCommand command = BatchCommand::kUpload;
  std::string list;     // the batch list; the pass's own name when not given
  std::string results;  // where the records go: "" none, "-" standard output
  bool name_by_address = false;  // download: every fetched file ADDRESS.ini
  std::string stop_file;  // once a file of this name exists, no next device starts
};

// What the command line asks for.
struct BatchRequest {
  enum class Kind { kRun, kHelp, kVersion, kUsageError } kind = Kind::kUsageError;
  BatchOptions options;
  std::string error;  // kUsageError: what is wrong, as words
};

// Reads the arguments after the program's name:
//   upload [LIST] | download [LIST] | check upload|download [LIST]
// with the options --results FILE (or --results=FILE), --name-by-address
// (download only) and --stop-file FILE, anywhere after the command; "--"
// ends the options.
// --help (also -h, -? and /?, as Windows users type it) and --version
// stand alone.
BatchRequest parse_batch_arguments(const std::vector<std::string>& args);

// The usage lines, for --help and after a usage error; then, for --help,
// what each option does.
extern const char kBatchSynopsis[];
extern const char kBatchHelp[];

// One run of vornel-batch: the banner, the list read (its refusals on
// standard error), "log.txt" and its header, the pass or the preflight over
// every group in list order, the summary and the footer, as the interactive
// pass writes them. With options.results, a record of every group is
// appended and flushed as the group ends. interrupted() is asked before
// each next group: once it gives a signal, no group starts, the summary of
// what ran is printed, and the run ends with 128 + that signal; so too once
// options.stop_file exists, with BatchExit::kStopped. Returns the exit
// status (exit_statuses.h).
int run_batch(Env env, const LogOpener& open_log, const BatchOptions& options,
              const std::function<int()>& interrupted);

}  // namespace vornel

#endif  // VORNEL_SESSION_BATCH_H_
