// The item template command: reads a named kit from the command's entry and
// gives its items to the caller, once per pass. A kit that fails to read gives
// nothing at all.
#include <cstdint>
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

void ItemTemplateCommand(APlayerController* player, FString* command_line, bool) {
  TArray<FString> pieces;
  if (SplitArguments(*command_line, pieces) < 2) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    return;
  }
  const std::string name = NarrowText(pieces[1]);
  RunningOutcome().name = name;

  CommandSettings* settings = GetCommandSettings(kItemTemplateKey);
  if (settings == nullptr) return;
  auto* caller = static_cast<AShooterPlayerController*>(player);
  // Only the kit asked for is read, not the whole catalogue.
  const nlohmann::json* kit = FindCatalogueElement(settings->entry, "Templates", name);
  if (kit == nullptr) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    SendReply(caller, SystemSender(), kTemplateMissingReply);
    return;
  }
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(player);

  ItemKit read;
  try {
    read = ReadItemKit(*kit);
  } catch (const std::exception& failure) {
    RunningOutcome().kind = OutcomeKind::FailedToRead;
    RunningOutcome().readFailure = TemplateReadFailure(failure);
    SendReply(caller, SystemSender(), kTemplateFaultyReply);
    return;
  }

  // The player is found anew in every pass; once gone, later passes are not tried.
  GrantTally tally;
  for (int32_t pass = 0; pass < read.passes; ++pass)
    if (!GiveItems(steam_id, read.entries, &tally)) break;
  RunningOutcome().kind = OutcomeKind::Gave;
  RunningOutcome().done = tally.made;
  RunningOutcome().asked = read.creations;
  RunningOutcome().unloaded = std::move(tally.unloaded);
}
