#include "orvanel/commands/Presence.h"

#include <string>

#include "orvanel/game/Players.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/run/Reply.h"

std::optional<CommandOutcome> CheckPresence(Run& run) {
  const CommandContext& context = run.context;
  if (context.row.presence != Presence::InTheWorld) return std::nullopt;
  AShooterPlayerController* player =
      context.actedOn ? TalvexApi::GetApiUtils().FindPlayerFromSteamId(context.actedOn->steamId) : context.caller;
  // A player who is gone is the handler's to answer.
  if (player == nullptr || GameField(player, AControllerCharacter()) != nullptr) return std::nullopt;
  const std::string name = context.actedOn ? context.actedOn->name : PlayerNameText(context.caller);
  SendUtf8Reply(context.caller, SystemSender(), "{} has no character in the world right now.", name);
  return Refusal("no character");
}
