// The teleport command: "<command> <location>" moves the caller to the named
// location of the command's own entry.
#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/NamedEntry.h"
#include "orvanel/commands/TemplateReading.h"
#include "orvanel/host/GameAccess.h"

CommandOutcome TeleportToCommand(const CommandContext& context) {
  CommandOutcome outcome;
  TeleportLocation read;
  if (!ReadNamedEntry(context, outcome, [&](const nlohmann::json& location) { read = ReadTeleportLocation(location); }))
    return outcome;
  GameFunction<void(AShooterPlayerController*, float, float, float)>("AShooterPlayerController.SetPlayerPos")(
      context.caller, read.x, read.y, read.z);
  outcome.kind = OutcomeKind::Done;
  outcome.movedTo = Place{read.x, read.y, read.z};
  return outcome;
}
