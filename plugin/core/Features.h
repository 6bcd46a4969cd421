// The features an operator switches on under "Features", each off unless its
// entry said "Enabled": true at load. With every one off, a command runs exactly
// as it would without them: nothing is asked of the game, logged or answered.
#pragma once

#include "orvanel/commands/Commands.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/core/Settings.h"

inline constexpr const char* kPermissionsFeature = "Permissions";
inline constexpr const char* kAuditLogFeature = "AuditLog";
inline constexpr const char* kFeedbackFeature = "Feedback";

// False when the Permissions feature and the command's own "Permissions" flag
// are on and the caller's Steam id is not in the command's whitelist; the
// refusal has then been logged and answered, and the command must not run.
bool MayRunCommand(const Settings& loaded, const CommandContext& context);

// After a run, from what the handler returned: the audit line of the line
// typed (AuditLog), then the replies that say what happened (Feedback).
void ReportCommand(const Settings& loaded, const CommandContext& context, const CommandOutcome& outcome);
