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
std::atomic<bool> g_deferred{false};
HANDLE g_interrupted = nullptr;  // manual-reset event, set once a signal is recorded

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
  if (signal_number == kSigInt) return 1;
  // Every wait of the main thread wakes for the event above; it ends the
  // process through exit() within about a second (one echo request, one
  // pass of the FTP loop), well inside the time Windows allows this handler.
  Sleep(INFINITE);
  return 1;
}

bool wait_for_interrupt(unsigned milliseconds) {
  if (g_signal != 0) return true;
  if (g_interrupted == nullptr) {
    Sleep(milliseconds);
    return g_signal != 0;
  }
  return WaitForSingleObject(g_interrupted, milliseconds) == WAIT_OBJECT_0;
}

bool wait_for_handle_or_interrupt(void* handle) {
  if (g_interrupted == nullptr) return WaitForSingleObject(handle, INFINITE) == WAIT_OBJECT_0;
  HANDLE handles[] = {handle, g_interrupted};
  return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0;
}

void install_interrupt_handlers() {
  if (g_interrupted == nullptr) g_interrupted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(on_console_event, TRUE);
  std::signal(SIGABRT, on_abort);
}

// Only Ctrl-C and Ctrl-Break can be deferred: after the other events
// Windows ends the process within seconds, so the run ends at once, as the
// handler expects.
int pending_interrupt() {
  int signal_number = g_signal;
  return g_deferred && signal_number == kSigInt ? 0 : signal_number;
}

void exit_if_interrupted() {
  int signal_number = pending_interrupt();
  if (signal_number != 0) std::exit(128 + signal_number);
}

void defer_interrupts() { g_deferred = true; }

int interrupt_received() { return g_signal; }

void ignore_interrupts() { SetConsoleCtrlHandler(nullptr, TRUE); }

}  // namespace vornel
