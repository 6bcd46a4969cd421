// The check of the commands that need the player's character in the world
// (their row says InTheWorld): a player between characters is answered, for
// the caller and for the player acted on alike, before anything is tried.
#pragma once

#include <optional>

#include "orvanel/run/Run.h"

std::optional<CommandOutcome> CheckPresence(Run& run);
