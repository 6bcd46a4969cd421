// The teleport command: "<command> <location>" moves the caller (or, with
// "Others", the player named after it) to the named location of the command's own entry.
#include <variant>

#include "orvanel/commands/Commands.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"
#include "orvanel/host/TalvexApi.h"

CommandOutcome TeleportToCommand(const CommandContext& context) {
  const TeleportLocation& read = std::get<TeleportLocation>(context.entry.record);
  AShooterPlayerController* moved = context.caller;
  if (context.actedOn) {
    // Found again by Steam id: the player found by name is kept no longer than that.
    moved = TalvexApi::GetApiUtils().FindPlayerFromSteamId(PlayerRunFor(context));
    if (moved == nullptr) return Refusal("no such player");
  }
  GameFunction(AShooterPlayerControllerSetPlayerPos())(moved, read.x, read.y, read.z);
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  outcome.movedTo = Place{read.x, read.y, read.z};
  return outcome;
}
