#include <exception>
#include <string>

#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/TemplateReading.h"
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
  const nlohmann::json* location = FindCatalogueElement(settings->entry, "Locations", name);
  if (location == nullptr) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    SendReply(controller, SystemSender(), kTemplateMissingReply);
    return;
  }
  TeleportLocation read;
  try {
    read = ReadTeleportLocation(*location);
  } catch (const std::exception& failure) {
    RunningOutcome().kind = OutcomeKind::FailedToRead;
    RunningOutcome().readFailure = TemplateReadFailure(failure);
    SendReply(controller, SystemSender(), kTemplateFaultyReply);
    return;
  }
  GameFunction<void(AShooterPlayerController*, float, float, float)>("AShooterPlayerController.SetPlayerPos")(
      controller, read.x, read.y, read.z);
  RunningOutcome().kind = OutcomeKind::Moved;
  RunningOutcome().x = read.x;
  RunningOutcome().y = read.y;
  RunningOutcome().z = read.z;
}
