#ifndef VORNEL_PLATFORM_WINDOWS_INTERRUPT_WAIT_H_
#define VORNEL_PLATFORM_WINDOWS_INTERRUPT_WAIT_H_

// The Windows side of the interrupt handling (platform/interrupt.h), for the
// other Windows files: a console control event is delivered on a thread of
// its own, so the main thread's waits must be able to wake for it.

namespace vornel {

// The POSIX signal number a console control event stands for, so that the
// exit statuses are those of the POSIX build: Ctrl-C and Ctrl-Break as SIGINT
// (2), closing the console window as a hang-up (SIGHUP, 1), logoff and
// shutdown as SIGTERM (15). 0 for any other event, which is left to the next
// handler.
int signal_for_console_event(unsigned long event);

// The handler installed by install_interrupt_handlers(): records the event's
// signal and wakes the waits below. For Ctrl-C and Ctrl-Break it returns at
// once; for the other events Windows ends the process as soon as the handler
// returns, so it never returns, and the main thread ends the process through
// exit() instead.
// Returns nonzero when it took the event.
int handle_console_event(unsigned long event);

// Waits up to milliseconds; true at once when an interrupt is (or becomes)
// pending. Without installed handlers it is a plain pause.
bool wait_for_interrupt(unsigned milliseconds);

// Waits until the handle is signalled (true) or an interrupt is pending (false).
bool wait_for_handle_or_interrupt(void* handle);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_WINDOWS_INTERRUPT_WAIT_H_
