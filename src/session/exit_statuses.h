#ifndef VORNEL_SESSION_EXIT_STATUSES_H_
#define VORNEL_SESSION_EXIT_STATUSES_H_

namespace vornel {

// The exit statuses of the two programs: the one table their code returns
// from, and that README and the man pages quote. Besides these, a run that a
// signal ends exits with 128 + the signal (129 SIGHUP, 130 SIGINT, 143
// SIGTERM), as a POSIX shell reports it: vornel at its next blocking point
// (platform/interrupt.h), vornel-batch between two devices.

// vornel.
enum class UtilityExit : int {
  kLeftAtMenu = 0,  // menu choice 3, or the end of standard input at the menu
  kLeftInPass = 1,  // left at a batch prompt or in the entry dialogue (or input ended there)
  kNoLog = 1,       // log.txt can't be opened
  // 1 too when the privileges it was started with can't be given up
  // (platform/posix/system.cc), before anything runs.
};

// vornel-batch.
enum class BatchExit : int {
  kAllOk = 0,       // every device ok (or ready); also --help and --version
  kSomeFailed = 1,  // a device failed, or a group was skipped
  kNothingRun = 2,  // bad usage; no list, or none of its groups taken; the
                    // log or the results file can't be opened; the
                    // privileges it was started with can't be given up
  kStopped = 3,     // the stop file stopped it before the list's end
};

constexpr int exit_status(UtilityExit status) { return static_cast<int>(status); }
constexpr int exit_status(BatchExit status) { return static_cast<int>(status); }

// vornel-batch stopped between devices by a signal.
constexpr int exit_status_after_signal(int signal_number) { return 128 + signal_number; }

}  // namespace vornel

#endif  // VORNEL_SESSION_EXIT_STATUSES_H_
