// The item template command: reads a named kit from the command's entry and
// gives its items to the caller, once per pass. A kit that fails to read gives
// nothing at all.
#include <cstdint>
#include <utility>

#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/NamedEntry.h"
#include "orvanel/commands/TemplateReading.h"
#include "orvanel/core/CommandKeys.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/host/TalvexApi.h"

void ItemTemplateCommand(APlayerController* player, FString* command_line, bool) {
  ItemKit read;
  if (!ReadNamedEntry(player, *command_line, kItemTemplateKey, "Templates",
                      [&](const nlohmann::json& kit) { read = ReadItemKit(kit); }))
    return;
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(player);

  // The player is found anew in every pass; once gone, later passes are not tried.
  GrantTally tally;
  for (int32_t pass = 0; pass < read.passes; ++pass)
    if (!GiveItems(steam_id, read.entries, &tally)) break;
  RunningOutcome().kind = OutcomeKind::Gave;
  RunningOutcome().done = tally.made;
  RunningOutcome().asked = read.creations;
  RunningOutcome().unloaded = std::move(tally.unloaded);
}
