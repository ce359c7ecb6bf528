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

// For a program that must finish the device it is working before it stops
// (vornel-batch): from now on a SIGINT, SIGTERM or SIGHUP no longer ends the
// run at a blocking point. pending_interrupt() stays 0 and
// exit_if_interrupted() does nothing, so a login, listing, probe or transfer
// under way goes on within its own limits; only a pause is cut short, as
// nothing follows it. The program asks interrupt_received() between devices
// and ends in its own way. On Windows, closing the console window, logoff
// and shutdown still end the run at the next blocking point: Windows ends
// the process a few seconds after those events whatever it is doing.
void defer_interrupts();

// The signal received (SIGINT, SIGTERM or SIGHUP), or 0; deferred or not.
int interrupt_received();

// For a process that must read its input to the end whatever stops the
// run around it (the fleet's record keeper): SIGINT, SIGTERM and SIGHUP
// (Ctrl-C, Ctrl-Break and the close events on Windows) are ignored.
void ignore_interrupts();

}  // namespace vornel

#endif  // VORNEL_PLATFORM_INTERRUPT_H_
