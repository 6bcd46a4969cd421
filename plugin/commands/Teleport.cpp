#include <exception>
#include <string>

#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/TemplateValues.h"
#include "orvanel/core/Arguments.h"
#include "orvanel/core/CommandKeys.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/core/Reply.h"
#include "orvanel/core/Settings.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/Text.h"

void TeleportToCommand(APlayerController* player, FString* command_line, bool) {
  CommandSettings* settings = GetCommandSettings(kTeleportToKey);
  if (settings == nullptr) return;
  TArray<FString> pieces;
  if (SplitArguments(*command_line, pieces) < 2) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    return;
  }
  const std::string name = NarrowText(pieces[1]);
  RunningOutcome().name = name;
  auto* controller = static_cast<AShooterPlayerController*>(player);

  // Only the location asked for is read, not a copy of them all.
  const nlohmann::json& locations = settings->entry["Locations"];
  const auto found = locations.is_object() ? locations.find(name) : locations.end();
  if (found == locations.end()) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    SendReply(controller, SystemSender(), "The template does not exist! Maybe you forgot to reload..?");
    return;
  }
  float x = 0, y = 0, z = 0;
  try {
    const nlohmann::json& location = *found;
    x = ReadTemplateNumber(location, "x", 0.0);
    y = ReadTemplateNumber(location, "y", 0.0);
    z = ReadTemplateNumber(location, "z", 0.0);
  } catch (const std::exception&) {
    RunningOutcome().kind = OutcomeKind::FailedToRead;
    SendReply(controller, SystemSender(), "Failed to read template...");
    return;
  }
  GameFunction<void(AShooterPlayerController*, float, float, float)>("AShooterPlayerController.SetPlayerPos")(
      controller, x, y, z);
  RunningOutcome().kind = OutcomeKind::Moved;
  RunningOutcome().x = x;
  RunningOutcome().y = y;
  RunningOutcome().z = z;
}
