#pragma once
// SIGTERM and SIGINT end a headless run: its clock never sleeps, so nothing
// else would stop a game that never ends. The host closes at its next step
// of the clock, and the run writes its dump and shot as at any other end.
namespace zepa::platform {

/// From now on SIGTERM and SIGINT ask the run to stop instead of killing it.
void CatchStopSignals();
/// The signal that asked the run to stop; 0 while none has.
int CaughtStopSignal();

}  // namespace zepa::platform
