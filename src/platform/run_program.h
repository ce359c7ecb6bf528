#ifndef VORNEL_PLATFORM_RUN_PROGRAM_H_
#define VORNEL_PLATFORM_RUN_PROGRAM_H_

#include <cstddef>
#include <string>
#include <vector>

namespace vornel {

// One run of another program, its standard input given, its standard output
// and error taken, waited for to its end.
struct ProgramRun {
  std::vector<std::string> args;  // args[0]: the program, looked for on PATH
  // Its environment: this process's own, less every variable whose name
  // begins with one of drop, plus set ("NAME=value").
  std::vector<std::string> drop;
  std::vector<std::string> set;
  std::string input;                                // all of its standard input
  std::size_t output_limit = std::size_t{1} << 26;  // each of its two outputs
};

struct ProgramEnd {
  bool ran = false;     // it started and ended on its own, with exit_status
  int exit_status = 0;  // when ran
  std::string output;   // its standard output
  std::string errors;   // its standard error
  std::string failure;  // when it did not run to its end: why, as words
};

// Runs it in a process group of its own, so that a Ctrl-C at the terminal
// reaches only this process, which decides what to do, and never a child
// half way through a write. A child whose output passes the limit is killed.
// The Windows build runs no other program: there it returns a failure.
ProgramEnd run_program(const ProgramRun& run);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_RUN_PROGRAM_H_
