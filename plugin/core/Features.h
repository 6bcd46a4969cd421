// The features an operator switches on under "Features", each off unless its
// entry said "Enabled": true at load. With every one off, a command runs exactly
// as it would without them: nothing is asked of the game, logged or answered.
#pragma once

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/UseLimits.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/core/Settings.h"

// False when the Permissions feature and the command's own "Permissions" flag
// are on and the caller's Steam id is not in the command's whitelist; the
// refusal has then been logged and answered, and the command must not run.
bool MayRunCommand(const Settings& loaded, const CommandContext& context);

// False when the entry the line named (its name in `outcome`) has a whitelist,
// read only with the Permissions feature on, without the caller's Steam id; the
// refusal has then been logged and answered, and noted in `outcome`.
bool MayUseWhitelistedEntry(const CommandContext& context, const std::optional<std::vector<int64_t>>& whitelist,
                            CommandOutcome& outcome);

// False when the context counts uses and the entry the line named (its name in
// `outcome`), limited by `limits`, may not be used by the caller now: too soon
// after the last use, or used as often as allowed. The refusal has then been
// answered and noted in `outcome`; otherwise a limited entry is marked to be counted.
bool MayUseEntry(const CommandContext& context, const UseLimits& limits, CommandOutcome& outcome);

// Counts the run as a use of its entry when the entry is limited and the run
// gave, spawned or moved something. A use that cannot be kept is logged.
void CountUse(const CommandContext& context, const CommandOutcome& outcome);

// After a run that gave to, spawned around or moved another player ("Others"),
// that player is told who did it and what.
void TellPlayerActedOn(const CommandContext& context, const CommandOutcome& outcome);

// After a run, from what the handler returned: the audit line of the line
// typed (AuditLog), then the replies that say what happened (Feedback).
void ReportCommand(const Settings& loaded, const CommandContext& context, const CommandOutcome& outcome);
