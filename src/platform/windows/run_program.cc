#include "platform/run_program.h"

namespace vornel {

// The one caller, the fleet's archive, is kept by vornel-fleet on Linux; the
// Windows build starts no other program, so none of its environment or
// search path is ever trusted with one.
ProgramEnd run_program(const ProgramRun& run) {
  ProgramEnd end;
  end.failure = (run.args.empty() ? std::string("a program") : run.args[0]) +
                " is not run by the Windows build";
  return end;
}

}  // namespace vornel
