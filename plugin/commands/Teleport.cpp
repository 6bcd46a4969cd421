// The teleport command: "<command> <location>" moves the caller (or, with
// "Others", the player named after it) to the named location of the command's own entry.
#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/NamedEntry.h"
#include "orvanel/commands/TemplateReading.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"
#include "orvanel/host/TalvexApi.h"

CommandOutcome TeleportToCommand(const CommandContext& context) {
  CommandOutcome outcome;
  TeleportLocation read;
  if (!ReadNamedEntry(context, outcome, [&](const nlohmann::json& location) { read = ReadTeleportLocation(location); }))
    return outcome;
  AShooterPlayerController* moved = context.caller;
  if (outcome.actedOn) {
    // Found again by Steam id: the player found by name is kept no longer than that.
    moved = TalvexApi::GetApiUtils().FindPlayerFromSteamId(outcome.actedOn->steamId);
    if (moved == nullptr) {
      outcome.kind = OutcomeKind::Refused;
      outcome.reason = "no such player";
      return outcome;
    }
  }
  GameFunction(AShooterPlayerControllerSetPlayerPos())(moved, read.x, read.y, read.z);
  outcome.kind = OutcomeKind::Done;
  outcome.movedTo = Place{read.x, read.y, read.z};
  return outcome;
}
