#ifndef VORNEL_PLATFORM_INTERRUPT_H_
#define VORNEL_PLATFORM_INTERRUPT_H_

namespace vornel {

// SIGINT, SIGTERM and SIGHUP end the run in an orderly way (SIGHUP only when
// it was not ignored at start, as under nohup). The handler only records
// the signal; the platform layer notices it at its blocking points (reads,
// pauses, echo waits, transfers), cleans up what it holds (a temporary
// download file) and calls exit_if_interrupted(), which ends the process
// through the normal exit so every buffered log text reaches the file.
//
// Blocking system calls are not restarted after these signals: they return
// EINTR, so a pause or a probe never makes the operator wait for its end.
// SIGPIPE is ignored: a peer that resets a connection or a closed stdout is
// an error value, never the end of the process.
//
// On Windows the console's control events stand for the signals, with the
// same exit statuses: Ctrl-C and Ctrl-Break for SIGINT (130), closing the
// console window for a hang-up (SIGHUP, 129), logoff and shutdown for
// SIGTERM (143). abort() there ends the process with 134, as SIGABRT does
// under a POSIX shell, instead of the C runtime's 3.
void install_interrupt_handlers();

// The signal received (SIGINT, SIGTERM or SIGHUP), or 0.
int pending_interrupt();

// If a signal was received, ends the process with status 128 + signal.
void exit_if_interrupted();

}  // namespace vornel

#endif  // VORNEL_PLATFORM_INTERRUPT_H_
