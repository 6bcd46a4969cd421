// Cooldowns: how soon and how often a player may use a limited kit, group or
// location. The use is claimed before the handler acts, so that nothing takes
// it in between, and settled by what the run did.
#include <cstdint>
#include <exception>

#include "orvanel/core/Logger.h"
#include "orvanel/core/Reply.h"
#include "orvanel/features/Features.h"
#include "orvanel/game/WallClock.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/TalvexApi.h"

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
      GetLogger()->error("The use of {} by {} was not counted: {}", key.entry, key.steamId, failure.what());
  }
}

}  // namespace

std::optional<CommandOutcome> ClaimUse(Run& run) {
  const CommandContext& context = run.context;
  // Acting on another player is neither limited nor counted.
  if (context.uses == nullptr || !context.entry.limits.Limited() || context.actedOn) return std::nullopt;
  UseKey key{TalvexApi::IApiUtils::GetSteamIdFromController(context.caller), context.row.key, context.entry.name};
  const UseClaim claim = context.uses->Claim(key, context.entry.limits, WallClockMs());
  switch (claim.verdict.kind) {
    case UseVerdictKind::Allowed:
      run.settle.push_back([uses = context.uses, ticket = claim.ticket, key = std::move(key)](
                               const CommandOutcome& outcome) { SettleUse(*uses, ticket, key, outcome); });
      return std::nullopt;
    case UseVerdictKind::UsedUp:
      SendUtf8Reply(context.caller, SystemSender(), "You have used {} {} times, the most allowed.", context.entry.name,
                    claim.verdict.used);
      return Refusal("used up");
    case UseVerdictKind::TooSoon:
      SendUtf8Reply(context.caller, SystemSender(), "You can use {} again in {}.", context.entry.name,
                    WaitText(claim.verdict.waitMs));
      return Refusal("cooldown");
    case UseVerdictKind::Unreachable:
      SendReply(context.caller, SystemSender(),
                "The shared limits cannot be checked right now; try again in a moment.");
      return Refusal("store unreachable");
  }
  return Refusal("cooldown");
}
