#include "orvanel/load/Stages.h"

#include <exception>
#include <functional>

#include "orvanel/commands/NamedEntry.h"
#include "orvanel/commands/Presence.h"
#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/LogText.h"
#include "orvanel/features/Features.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/run/Logger.h"

namespace {

// Before the handler, in this order: the first that ends the run is the last to run.
constexpr RunCheck kChecks[] = {
    CheckCommandWhitelist,  // Permissions: the command's whitelist
    FindNamedEntry,         // the catalogue element the line names, read whole
    FindPlayerActedOn,      // Others: the player named after it
    CheckEntryWhitelist,    // Permissions: the entry's whitelist
    CheckPresence,          // the player's character, for a command that needs it
    ClaimUse,               // Cooldowns: the entry's cooldown and use limit
};

// After the handler (or the check that ended the run), once what the checks
// hold is settled, in this order.
constexpr RunObserver kObservers[] = {
    TellPlayerActedOn,  // Others
    WriteAuditLine,     // AuditLog
    SendFeedback,       // Feedback
};

void LogStop(const char* key, const UnavailableMember& missing) {
  if (GetLogger()) GetLogger()->error("The command {} stopped: {}", key, EscapeLogText(missing.what()));
}

void LogFailure(const char* key, const char* reason) {
  if (GetLogger()) GetLogger()->error("The command {} failed: {}", key, EscapeLogText(reason));
}

// Runs `step`, turning what it throws into the run's outcome.
CommandOutcome Guarded(const char* key, const std::function<CommandOutcome()>& step) {
  CommandOutcome outcome;
  try {
    return step();
  } catch (const UnavailableMember& missing) {
    LogStop(key, missing);
    outcome.kind = OutcomeKind::Stopped;
    outcome.reason = missing.what();
  } catch (const std::exception& failure) {
    LogFailure(key, failure.what());
    outcome.kind = OutcomeKind::Failed;
    outcome.reason = JsonErrorWithPlace(failure.what());
  } catch (...) {
    LogFailure(key, "unknown exception");
    outcome.kind = OutcomeKind::Failed;
    outcome.reason = "unknown exception";
  }
  return outcome;
}

}  // namespace

uint64_t PlayerRunFor(const CommandContext& context) {
  return context.actedOn ? context.actedOn->steamId : TalvexApi::IApiUtils::GetSteamIdFromController(context.caller);
}

bool DidSomething(const CommandOutcome& outcome) { return outcome.done > 0 || outcome.movedTo.has_value(); }

CommandOutcome RunStages(Run& run, CommandHandler handler) noexcept {
  const char* key = run.context.row.key;
  try {
    CommandOutcome outcome = Guarded(key, [&] {
      for (const RunCheck check : kChecks)
        if (std::optional<CommandOutcome> refusal = check(run)) return std::move(*refusal);
      return handler(run.context);
    });
    // Settling and observing: a reply that cannot be sent stops the report as
    // it would stop a command.
    try {
      for (const auto& settle : run.settle) settle(outcome);
      for (const RunObserver observe : kObservers) observe(run.context, outcome);
    } catch (const UnavailableMember& missing) {
      LogStop(key, missing);
    }
    return outcome;
  } catch (const std::exception& failure) {
    // The report itself failed (the game had no memory for a reply).
    LogFailure(key, failure.what());
  } catch (...) {
    LogFailure(key, "unknown exception");
  }
  return CommandOutcome{};
}
