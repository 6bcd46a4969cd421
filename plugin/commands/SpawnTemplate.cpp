// The spawn template command: "<command> <template>" reads the named creature
// template of the command's own entry and spawns its group around the caller.
#include <algorithm>
#include <exception>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/TemplateReading.h"
#include "orvanel/core/Arguments.h"
#include "orvanel/core/CommandKeys.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/core/Reply.h"
#include "orvanel/core/Settings.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"

void SpawnTemplateCommand(APlayerController* player, FString* command_line, bool) {
  auto* caller = static_cast<AShooterPlayerController*>(player);
  const CommandSettings* settings = GetCommandSettings(kSpawnTemplateKey);
  if (settings == nullptr) return;
  TArray<FString> pieces;
  if (SplitArguments(*command_line, pieces) < 2) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    return;
  }
  const std::string name = NarrowText(pieces[1]);
  RunningOutcome().name = name;

  const nlohmann::json* creature = FindCatalogueElement(settings->entry, "Templates", name);
  if (creature == nullptr) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    SendReply(caller, SystemSender(), kTemplateMissingReply);
    return;
  }
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(player);

  CreatureTemplate read;
  try {
    read = ReadCreatureTemplate(*creature);
  } catch (const std::exception& failure) {
    RunningOutcome().kind = OutcomeKind::FailedToRead;
    RunningOutcome().readFailure = TemplateReadFailure(failure);
    SendReply(caller, SystemSender(), kTemplateFaultyReply);
    return;
  }
  read.request.steamId = steam_id;
  GrantTally tally;
  SpawnCreatureGroup(std::move(read.request), read.count, read.radius, read.facing, &tally);
  RunningOutcome().kind = OutcomeKind::Spawned;
  RunningOutcome().done = tally.made;
  RunningOutcome().asked = std::max(read.count, 0);
  RunningOutcome().unloaded = std::move(tally.unloaded);
}
