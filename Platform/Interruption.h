// A request from outside to end the run (Ctrl-C, a TERM or a HUP), noted by the tool's signal handler.
#pragma once

namespace Platform {

// Notes that `signal` asked the run to end. Async-signal-safe: it only stores the number.
void noteInterruption(int signal) noexcept;

// The signal noted, or 0. Long work asks between its steps and then fails with ECANCELED, so that the
// run ends like any failure: everything it made is removed and what it changed is put back.
int interruption() noexcept;

} // namespace Platform
