// The item template command: reads a named kit from the command's entry and
// gives its items to the caller, once per pass. A kit that fails to read gives
// nothing at all.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/TemplateValues.h"
#include "orvanel/core/Arguments.h"
#include "orvanel/core/CommandKeys.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/core/Reply.h"
#include "orvanel/core/Settings.h"
#include "orvanel/game/Items.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"

using nlohmann::json;

namespace {

ItemEntry ReadItemEntry(const json& element) {
  ItemEntry entry;
  entry.blueprint = element.value("blueprint", std::string());
  if (element.contains("blueprints")) entry.blueprints = element["blueprints"].get<std::vector<std::string>>();
  entry.quantity = ReadTemplateInteger(element, "quantity", 0);
  entry.count = ReadTemplateInteger(element, "count", 1);
  entry.quality = ReadTemplateNumber(element, "quality", 0.0);
  return entry;
}

}  // namespace

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
  // Only the kit asked for is copied, not the whole catalogue.
  const json& templates = settings->entry["Templates"];
  const auto found = templates.is_object() ? templates.find(name) : templates.end();
  if (found == templates.end()) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    SendReply(caller, SystemSender(), "The template does not exist! Maybe you forgot to reload..?");
    return;
  }
  const json kit = *found;  // NOLINT(performance-unnecessary-copy-initialization): the handler reads its own copy.
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(player);

  int32_t passes = 0;
  int64_t asked = 0;
  std::vector<ItemEntry> entries;
  try {
    passes = ReadTemplateInteger(kit, "count", 1);
    const json items = kit.value("items", json::array());
    for (const json& element : items) entries.push_back(ReadItemEntry(element));
    TemplateWork creations{kMaxItemCreationsPerCommand, "item creations"};
    for (const ItemEntry& entry : entries) {
      const auto paths = static_cast<int64_t>(std::max<std::size_t>(entry.blueprints.size(), 1));
      creations.Add(passes, int64_t{entry.count} * paths);
    }
    asked = creations.asked;
  } catch (const std::exception&) {
    RunningOutcome().kind = OutcomeKind::FailedToRead;
    SendReply(caller, SystemSender(), "Failed to read template...");
    return;
  }

  // The player is found anew in every pass; once gone, later passes are not tried.
  GrantTally tally;
  for (int32_t pass = 0; pass < passes; ++pass)
    if (!GiveItems(steam_id, entries, &tally)) break;
  RunningOutcome().kind = OutcomeKind::Gave;
  RunningOutcome().done = tally.made;
  RunningOutcome().asked = asked;
  RunningOutcome().unloaded = std::move(tally.unloaded);
}
