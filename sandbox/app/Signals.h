// The signals a session answers: SIGTERM and SIGHUP (and SIGINT, but at the
// prompt, where it is Ctrl-C) ask it to end; SIGWINCH says the window changed.
// The handler only records the signal and wakes whoever waits for input; the
// program notices between commands and ends on its main path, cleaning up.
#pragma once

#include <istream>

namespace sandbox {

// Installs the handlers (where there are POSIX signals). With `interrupt_is_key`,
// SIGINT is the prompt's Ctrl-C, seen through InterruptPending; without it,
// SIGINT asks the session to end as SIGTERM does.
void CatchSignals(bool interrupt_is_key);

// The signal that asked the session to end, or 0.
int StopSignal();
// Ctrl-C was pressed since the last ClearInterrupt.
bool InterruptPending();
void ClearInterrupt();
// The window changed size since the last call.
bool TakeResize();

// Waits until `fd` has something to read (or its end); false when a signal
// arrived first.
bool WaitForInput(int fd);

// Standard input, whose wait for more ends as at its end when the session is
// asked to end.
std::istream& StandardInput();

// Ends the process by the signal that asked the session to end, with its
// default action, so that the parent sees why it ended; returns if none did.
void EndBySignal();

}  // namespace sandbox
