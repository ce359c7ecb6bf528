#include "platform/interrupt.h"

#include <csignal>
#include <cstdlib>
#include <initializer_list>

namespace vornel {
namespace {

volatile std::sig_atomic_t g_signal = 0;
bool g_deferred = false;

extern "C" void record_signal(int signal_number) { g_signal = signal_number; }

// A signal the caller ignored on purpose stays ignored: a hang-up under
// nohup, and an interrupt for a run started in the background by a shell
// without job control, which must not end with the foreground program's
// Ctrl-C. Such a run goes on to its end.
void catch_unless_ignored(int signal_number, const struct sigaction& action) {
  struct sigaction before = {};
  if (sigaction(signal_number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) return;
  sigaction(signal_number, &action, nullptr);
}

}  // namespace

void install_interrupt_handlers() {
  struct sigaction action = {};
  action.sa_handler = record_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: blocking calls must return EINTR
  catch_unless_ignored(SIGINT, action);
  sigaction(SIGTERM, &action, nullptr);
  // A hang-up (the SSH session to the jump host dropped) ends the run like
  // SIGTERM.
  catch_unless_ignored(SIGHUP, action);

  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

int pending_interrupt() { return g_deferred ? 0 : g_signal; }

void exit_if_interrupted() {
  int signal_number = pending_interrupt();
  if (signal_number != 0) std::exit(128 + signal_number);
}

void defer_interrupts() { g_deferred = true; }

int interrupt_received() { return g_signal; }

void ignore_interrupts() {
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal_number, SIG_IGN);
}

}  // namespace vornel
