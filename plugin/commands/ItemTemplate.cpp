// The item template command: reads a named kit from the command's entry and
// gives its items to the caller, once per pass. A kit that fails to read gives
// nothing at all.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "commands/Commands.h"
#include "core/Arguments.h"
#include "core/CommandKeys.h"
#include "core/Reply.h"
#include "core/Settings.h"
#include "game/Items.h"
#include "host/TalvexApi.h"
#include "host/Text.h"

using nlohmann::json;

namespace {

// An integer member with a default, by the JSON library's conversion: integers,
// floating-point numbers (cut toward zero) and booleans. A floating-point value
// beyond the 32-bit range has no integer to become and is refused with the
// other type errors.
int32_t ReadInteger(const json& object, const char* key, int32_t fallback) {
  const auto member = object.find(key);
  if (member != object.end() && member->is_number_float()) {
    const double value = member->get<double>();
    if (!(value > -2147483649.0 && value < 2147483648.0))
      throw std::out_of_range(std::string("\"") + key + "\" is out of range");
  }
  return object.value(key, fallback);
}

// A floating-point member with a default: numbers only, never a boolean.
float ReadQuality(const json& object, const char* key) { return static_cast<float>(object.value(key, 0.0)); }

ItemEntry ReadItemEntry(const json& element) {
  ItemEntry entry;
  entry.blueprint = element.value("blueprint", std::string());
  if (element.contains("blueprints")) entry.blueprints = element["blueprints"].get<std::vector<std::string>>();
  entry.quantity = ReadInteger(element, "quantity", 0);
  entry.count = ReadInteger(element, "count", 1);
  entry.quality = ReadQuality(element, "quality");
  return entry;
}

}  // namespace

void ItemTemplateCommand(APlayerController* player, FString* command_line, bool) {
  TArray<FString> pieces;
  if (SplitArguments(*command_line, pieces) < 2) return;
  const std::string name = NarrowText(pieces[1]);

  CommandSettings* settings = GetCommandSettings(kItemTemplateKey);
  if (settings == nullptr) return;
  auto* caller = static_cast<AShooterPlayerController*>(player);
  const json templates = settings->entry["Templates"];
  const auto found = templates.is_object() ? templates.find(name) : templates.end();
  if (found == templates.end()) {
    SendReply(caller, SystemSender(), "The template does not exist! Maybe you forgot to reload..?");
    return;
  }
  const json kit = *found;
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(player);

  int32_t passes = 0;
  std::vector<ItemEntry> entries;
  try {
    passes = ReadInteger(kit, "count", 1);
    const json items = kit.value("items", json::array());
    for (const json& element : items) entries.push_back(ReadItemEntry(element));
  } catch (const std::exception&) {
    SendReply(caller, SystemSender(), "Failed to read template...");
    return;
  }

  // The player is found anew in every pass; once gone, later passes are not tried.
  for (int32_t pass = 0; pass < passes; ++pass)
    if (!GiveItems(steam_id, entries)) break;
}
