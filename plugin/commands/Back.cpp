// The back command: the caller moved to where they stood before the teleport
// command last moved them, their own teleport or one done to them; once.
#include <cstddef>
#include <optional>

#include "orvanel/commands/Commands.h"
#include "orvanel/game/PlacesBefore.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/run/Reply.h"

CommandOutcome BackCommand(const CommandContext& context) {
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(context.caller);
  const std::optional<Place> place = TakePlaceBefore(steam_id);
  if (!place) {
    SendReply(context.caller, SystemSender(), "Nothing to go back to: no teleport has moved you.");
    return Refusal("nothing to go back to");
  }
  try {
    GameFunction(AShooterPlayerControllerSetPlayerPos())(context.caller, place->x, place->y, place->z);
  } catch (...) {
    // Not moved: the place is still there to go back to.
    RememberPlaceBefore(steam_id, *place);
    throw;
  }
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  outcome.movedTo = place;
  return outcome;
}

bool RemembersPlaces(const Settings& loaded) {
  // The back command's row, found by its handler: its key is written once, in the table.
  for (std::size_t index = 0; index < kCommandCount; ++index)
    if (kCommandHandlers[index] == &BackCommand) return Registers(loaded.Command(kCommandRows[index].key));
  return false;
}
