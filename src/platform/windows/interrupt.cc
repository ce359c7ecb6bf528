#include "platform/interrupt.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "platform/windows/interrupt_wait.h"

namespace vornel {
namespace {

// The POSIX numbers, which mingw's <signal.h> does not all define.
constexpr int kSigHup = 1;
constexpr int kSigInt = 2;
constexpr int kSigTerm = 15;
// What a POSIX shell reports for a process ended by SIGABRT (128 + 6).
constexpr int kAbortStatus = 134;

std::atomic<int> g_signal{0};
HANDLE g_interrupted = nullptr;  // manual-reset event, set once a signal is recorded
HANDLE g_main_thread = nullptr;  // the thread that installed the handlers

// While the main thread waits in a synchronous read (the operator's answer on
// a pipe), only a cancellation ends the wait. The handler keeps cancelling
// for a process-ending event, since the main thread may start a new read
// right after a check of its own.
constexpr DWORD kCancelRepeatMs = 50;

BOOL WINAPI on_console_event(DWORD event) { return handle_console_event(event) ? TRUE : FALSE; }

// abort() of the C runtime otherwise ends the process with status 3, which
// the exit table gives a normal meaning; a crash must not pass for one.
extern "C" void on_abort(int) { _exit(kAbortStatus); }

}  // namespace

int signal_for_console_event(unsigned long event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      return kSigInt;
    case CTRL_CLOSE_EVENT:
      return kSigHup;
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      return kSigTerm;
    default:
      return 0;
  }
}

int handle_console_event(unsigned long event) {
  int signal_number = signal_for_console_event(event);
  if (signal_number == 0) return 0;
  g_signal = signal_number;
  if (g_interrupted != nullptr) SetEvent(g_interrupted);
  if (g_main_thread != nullptr) CancelSynchronousIo(g_main_thread);
  if (signal_number == kSigInt) return 1;
  for (;;) {
    Sleep(kCancelRepeatMs);
    if (g_main_thread != nullptr) CancelSynchronousIo(g_main_thread);
  }
}

bool wait_for_interrupt(unsigned milliseconds) {
  if (g_signal != 0) return true;
  if (g_interrupted == nullptr) {
    Sleep(milliseconds);
    return g_signal != 0;
  }
  return WaitForSingleObject(g_interrupted, milliseconds) == WAIT_OBJECT_0;
}

void install_interrupt_handlers() {
  if (g_interrupted == nullptr) g_interrupted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (g_main_thread == nullptr) {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_main_thread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
  }
  SetConsoleCtrlHandler(on_console_event, TRUE);
  std::signal(SIGABRT, on_abort);
}

int pending_interrupt() { return g_signal; }

void exit_if_interrupted() {
  int signal_number = g_signal;
  if (signal_number != 0) std::exit(128 + signal_number);
}

}  // namespace vornel
