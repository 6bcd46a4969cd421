// Cooldowns: how soon and how often a player may use a limited kit, group or
// location. The use is claimed before the handler acts, so that nothing takes
// it in between, and settled by what the run did.
#include <cstdint>
#include <exception>
#include <string>

#include "orvanel/core/LogText.h"
#include "orvanel/core/Words.h"
#include "orvanel/features/Features.h"
#include "orvanel/game/WallClock.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/run/Logger.h"
#include "orvanel/run/Reply.h"

namespace {

// Kept when the run did something, given back when it did nothing. A use that
// cannot be kept is logged: the run's result stands.
void SettleUse(UseStore& uses, uint64_t ticket, const UseKey& key, const CommandOutcome& outcome) {
  if (!DidSomething(outcome)) {
    uses.GiveBack(ticket);
    return;
  }
  try {
    uses.Keep(ticket);
  } catch (const std::exception& failure) {
    if (GetLogger())
      GetLogger()->error("The use of {} by {} was not counted: {}", EscapeLogText(key.entry), key.steamId,
                         EscapeLogText(failure.what()));
  }
}

}  // namespace

std::optional<CommandOutcome> ClaimUse(Run& run) {
  const CommandContext& context = run.context;
  if (context.uses == nullptr) return std::nullopt;
  // Judged and counted for the player the run is for, as if they had run it
  // themselves; an exempt player's runs are not counted at all.
  const uint64_t player = PlayerRunFor(context);
  const Settings& settings = context.config.settings;
  const UseLimits limits = UseLimitsFor(context.entry.limits, context.entry.groupLimits, settings.Groups(), player);
  if (!limits.Limited() || settings.Exempt(player)) return std::nullopt;
  UseKey key{player, context.row.key, context.entry.name};
  const UseClaim claim = context.uses->Claim(key, limits, WallClockMs());
  const std::string& name = context.entry.name;
  switch (claim.verdict.kind) {
    case UseVerdictKind::Allowed:
      run.settle.emplace_back([uses = context.uses, ticket = claim.ticket, key = std::move(key)](
                                  const CommandOutcome& outcome) { SettleUse(*uses, ticket, key, outcome); });
      return std::nullopt;
    case UseVerdictKind::UsedUp:
      if (limits.uses == 0u)
        SendUtf8Reply(context.caller, SystemSender(), "{} cannot be used: it allows no uses.", name);
      else if (context.actedOn)
        SendUtf8Reply(context.caller, SystemSender(), "{} has used {} {}, the most allowed.", context.actedOn->name,
                      name, TimesOf(claim.verdict.used));
      else
        SendUtf8Reply(context.caller, SystemSender(), "You have used {} {}, the most allowed.", name,
                      TimesOf(claim.verdict.used));
      return Refusal("used up");
    case UseVerdictKind::TooSoon:
      if (context.actedOn)
        SendUtf8Reply(context.caller, SystemSender(), "{} can use {} again in {}.", context.actedOn->name, name,
                      WaitText(claim.verdict.waitMs));
      else
        SendUtf8Reply(context.caller, SystemSender(), "You can use {} again in {}.", name,
                      WaitText(claim.verdict.waitMs));
      return Refusal("cooldown");
    case UseVerdictKind::Unreachable:
      SendReply(context.caller, SystemSender(),
                "The shared limits cannot be checked right now; try again in a moment.");
      return Refusal("store unreachable");
  }
  return Refusal("cooldown");
}
