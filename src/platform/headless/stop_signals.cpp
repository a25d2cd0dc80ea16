#include "platform/headless/stop_signals.h"

#include <signal.h>

#include <initializer_list>

namespace zepa::platform {
namespace {

volatile sig_atomic_t g_caught = 0;

void OnStopSignal(int signal_number) { g_caught = signal_number; }

}  // namespace

void CatchStopSignals() {
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGTERM, SIGINT}) sigaction(s, &action, nullptr);
}

int CaughtStopSignal() { return g_caught; }

}  // namespace zepa::platform
