// The teleport command: "<command> <location>" moves the caller (or, with
// "Others", the player named after it) to the named location of the command's own entry.
#include <optional>
#include <variant>

#include "orvanel/commands/Commands.h"
#include "orvanel/game/PlacesBefore.h"
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
  // Where the player stood, for the back command, read only while it is registered.
  std::optional<Place> before;
  if (RemembersPlaces(context.config.settings)) {
    const FVector at = GameField(moved, AActorDefaultActorLocation());
    before = Place{at.X, at.Y, at.Z};
  }
  GameFunction(AShooterPlayerControllerSetPlayerPos())(moved, read.x, read.y, read.z);
  if (before) RememberPlaceBefore(PlayerRunFor(context), *before);
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  outcome.movedTo = Place{read.x, read.y, read.z};
  return outcome;
}
