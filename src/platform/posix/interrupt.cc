#include "platform/interrupt.h"

#include <csignal>
#include <cstdlib>

namespace vornel {
namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void record_signal(int signal_number) { g_signal = signal_number; }

}  // namespace

void install_interrupt_handlers() {
  struct sigaction action = {};
  action.sa_handler = record_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: blocking calls must return EINTR
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A hang-up (the SSH session to the jump host dropped) ends the run like
  // SIGTERM. Under nohup it was ignored on purpose: it stays ignored, and the
  // run goes on to its end.
  struct sigaction hangup = {};
  if (sigaction(SIGHUP, nullptr, &hangup) == 0 && hangup.sa_handler != SIG_IGN) {
    sigaction(SIGHUP, &action, nullptr);
  }

  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

int pending_interrupt() { return g_signal; }

void exit_if_interrupted() {
  int signal_number = g_signal;
  if (signal_number != 0) std::exit(128 + signal_number);
}

}  // namespace vornel
