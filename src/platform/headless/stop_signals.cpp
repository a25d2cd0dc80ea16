#include "platform/headless/stop_signals.h"

#include <signal.h>

#include <initializer_list>

namespace zepa::platform {
namespace {

volatile sig_atomic_t g_caught = 0;

void OnStopSignal(int signal_number) { g_caught = signal_number; }

}  // namespace

void CatchStopSignals() {
#ifdef _WIN32
  // No sigaction: the C library's signal() stays set on Windows.
  for (int s : {SIGTERM, SIGINT}) signal(s, OnStopSignal);
#else
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGTERM, SIGINT}) sigaction(s, &action, nullptr);
#endif
}

int CaughtStopSignal() { return g_caught; }

}  // namespace zepa::platform
