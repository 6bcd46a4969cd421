// The teleport command: "<command> <location>" moves the caller to the named
// location of the command's own entry.
#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/NamedEntry.h"
#include "orvanel/commands/TemplateReading.h"
#include "orvanel/core/CommandKeys.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/host/GameAccess.h"

void TeleportToCommand(APlayerController* player, FString* command_line, bool) {
  TeleportLocation read;
  if (!ReadNamedEntry(player, *command_line, kTeleportToKey, "Locations",
                      [&](const nlohmann::json& location) { read = ReadTeleportLocation(location); }))
    return;
  auto* controller = static_cast<AShooterPlayerController*>(player);
  GameFunction<void(AShooterPlayerController*, float, float, float)>("AShooterPlayerController.SetPlayerPos")(
      controller, read.x, read.y, read.z);
  RunningOutcome().kind = OutcomeKind::Moved;
  RunningOutcome().x = read.x;
  RunningOutcome().y = read.y;
  RunningOutcome().z = read.z;
}
