// The stages of every run, in order: the checks before the handler, the
// settling of what they hold, and the observers after it. The one path of a
// run; a new feature adds its stage to a list in Stages.cpp.
#pragma once

#include "orvanel/commands/Commands.h"
#include "orvanel/run/Run.h"

// Runs `handler` in `run` between the checks and the observers, and returns
// what the run did. A game member that the host does not resolve stops the run
// where it was met (logged once; what it did before stays done); any other
// failure is logged with the command's key and reported as a failed run. The
// observers' own failures are logged; nothing leaves this function.
CommandOutcome RunStages(Run& run, CommandHandler handler) noexcept;
