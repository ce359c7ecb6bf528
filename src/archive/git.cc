#include "archive/git.h"

#include "base/whole_file.h"
#include "platform/run_program.h"

namespace vornel {

GitResult run_git(const std::string& work_tree, const GitCall& call) {
  ProgramRun run;
  run.args = {"git",
              "-C",
              work_tree,
              "-c",
              "core.autocrlf=false",
              "-c",
              "core.safecrlf=false",
              "-c",
              "core.hooksPath=/dev/null",
              "-c",
              "core.fsmonitor=false",
              "-c",
              "core.sparseCheckout=false",
              "-c",
              "commit.gpgSign=false",
              "-c",
              "core.quotePath=true",
              "-c",
              "protocol.allow=never"};
  run.args.insert(run.args.end(), call.args.begin(), call.args.end());
  run.drop = {"GIT_"};
  run.set = {"GIT_CONFIG_NOSYSTEM=1", "GIT_CONFIG_GLOBAL=/dev/null", "GIT_AUTHOR_NAME=Vornel",
             "GIT_AUTHOR_EMAIL=",     "GIT_COMMITTER_NAME=Vornel",   "GIT_COMMITTER_EMAIL=",
             "GIT_TERMINAL_PROMPT=0", "GIT_NO_LAZY_FETCH=1",         "LC_ALL=C"};
  if (!call.index_file.empty()) run.set.push_back("GIT_INDEX_FILE=" + call.index_file);
  run.input = call.input;
  ProgramEnd end = run_program(run);
  GitResult result;
  result.output = std::move(end.output);
  if (!end.ran) {
    result.why = "git could not be run: " + end.failure;
    return result;
  }
  result.status = end.exit_status;
  result.ok = end.exit_status == 0;
  if (!result.ok) {
    // Its complaint, not a warning before it.
    std::string first;
    for (std::string_view line : lines_of(end.errors)) {
      first = line;
      if (!first.empty() && !first.starts_with("warning: ")) break;
    }
    result.why = first.empty() ? "git " + (call.args.empty() ? "" : call.args[0]) +
                                     " ended with status " + std::to_string(end.exit_status)
                               : first;
  }
  return result;
}

}  // namespace vornel
