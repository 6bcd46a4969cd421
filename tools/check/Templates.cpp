#include "tools/check/Templates.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "orvanel/core/BlueprintPath.h"
#include "orvanel/game/CreatureSpawning.h"

using nlohmann::json;

namespace check {

namespace {

enum class PathKind { Item, Creature };

// A whole number beyond 32 bits wraps as the JSON library converts it: true
// when the value at `at` did, which is then named with what it became.
bool Wrapped(CheckRun& run, const std::string& at, const char* what, int32_t read) {
  const json::json_pointer pointer(at);
  if (!run.config.contains(pointer)) return false;
  const json& written = run.config.at(pointer);
  if (!written.is_number_integer()) return false;
  if (written.is_number_unsigned() ? read >= 0 && written.get<uint64_t>() == static_cast<uint64_t>(read)
                                   : written.get<int64_t>() == read)
    return false;
  run.Warn(
      at, std::string(what) + " " + written.dump() + " does not fit in 32 bits: it is read as " + std::to_string(read));
  return true;
}

void CheckCount(CheckRun& run, const std::string& at, int32_t count) {
  if (Wrapped(run, at, "count", count)) return;
  if (count <= 0) run.Warn(at, "count " + std::to_string(count) + " gives nothing");
}

void CheckQuantity(CheckRun& run, const std::string& at, int32_t quantity) {
  if (Wrapped(run, at, "quantity", quantity)) return;
  if (quantity < 0) run.Warn(at, "quantity " + std::to_string(quantity) + " is negative");
}
void CheckPath(CheckRun& run, const std::string& at, const std::string& path, PathKind kind) {
  const std::string core = NormalizeBlueprintPath(path, false, false);
  if (core.empty() || core.front() != '/') {
    run.Warn(at, "the path " + Quoted(path) + " cannot name an asset",
             "an asset path starts with \"/\", as in \"/Game/Items/Rope.Rope\"");
    return;
  }
  if (std::any_of(core.begin(), core.end(), [](char c) { return c <= ' ' || c == '"' || c == '\''; })) {
    run.Warn(at, "the path " + Quoted(path) + " holds a blank, a quote or a control character: it loads nothing",
             "no asset path holds one; was it pasted with a space?");
    return;
  }
  if (run.catalogue == nullptr || run.catalogue->any) return;
  if (kind == PathKind::Item && run.catalogue->items.count(NormalizeBlueprintPath(path, false, true)) == 0)
    run.Warn(at, "the path " + Quoted(path) + " is not an item class in the world's catalogue");
  if (kind == PathKind::Creature && run.catalogue->creatures.count(NormalizeBlueprintPath(path, true, false)) == 0)
    run.Warn(at, "the path " + Quoted(path) + " is not a creature in the world's catalogue");
}

// Walks a template's "items" beside the entries read from them: each one's
// count and quantity, then `check_paths` for its paths.
template <typename CheckPaths>
void CheckItems(CheckRun& run, const std::string& base, const json& object, const std::vector<ItemEntry>& entries,
                CheckPaths check_paths) {
  std::size_t index = 0;
  WalkTemplateList(base + "/items", object.value("items", json::array()), [&](const json&, const std::string& at) {
    const ItemEntry& entry = entries[index++];
    CheckCount(run, at + "/count", entry.count);
    CheckQuantity(run, at + "/quantity", entry.quantity);
    check_paths(at, entry);
  });
}

void CheckWord(CheckRun& run, const std::string& at, const json& creature, const char* key,
               std::span<const WordCode> words, const std::string& what) {
  if (!creature.contains(key)) return;
  const std::string word = creature[key].get<std::string>();
  if (FindWordCode(words, word) != nullptr) return;
  std::vector<std::string> known;
  for (const WordCode& entry : words) known.emplace_back(entry.word);
  const std::string nearest = NearestWord(word, known);
  std::string hint = nearest.empty() ? "one of " : "did you mean " + Quoted(nearest) + "?";
  if (nearest.empty())
    for (std::size_t index = 0; index < known.size(); ++index) hint += (index > 0 ? ", " : "") + Quoted(known[index]);
  run.Warn(at + PointerToken(key), Quoted(word) + " is not a known word: " + what, hint);
}

}  // namespace

// A place no map holds: the engine's worlds end at this distance from the origin.
void CheckLocation(CheckRun& run, const std::string& base, const TeleportLocation& read) {
  constexpr double kWorldEnd = 2097152.0;
  for (const auto& [key, value] : {std::pair{"x", read.x}, std::pair{"y", read.y}, std::pair{"z", read.z}})
    if (std::fabs(static_cast<double>(value)) > kWorldEnd)
      run.Warn(base + "/" + key,
               std::string(key) + " " + Shown(run.config.value(json::json_pointer(base + "/" + key), json(value))) +
                   " lies outside every map: the engine's worlds end at 2097152 units from the origin");
}

void CheckKit(CheckRun& run, const std::string& base, const json& kit, const ItemKit& read) {
  CheckCount(run, base + "/count", read.passes);
  if (read.entries.empty()) run.Warn(base, "the kit has no items: it gives nothing");
  CheckItems(run, base, kit, read.entries, [&](const std::string& at, const ItemEntry& entry) {
    if (!entry.blueprints.empty()) {
      for (std::size_t path = 0; path < entry.blueprints.size(); ++path)
        CheckPath(run, at + "/blueprints/" + std::to_string(path), entry.blueprints[path], PathKind::Item);
    } else if (entry.blueprint.empty()) {
      run.Warn(at, "the item has no \"blueprint\" or \"blueprints\" path: it gives nothing");
    } else {
      CheckPath(run, at + "/blueprint", entry.blueprint, PathKind::Item);
    }
  });
}

void CheckCreature(CheckRun& run, const std::string& base, const json& creature, const CreatureTemplate& read) {
  const CreatureSpawnRequest& request = read.request;
  CheckPath(run, base + "/blueprint", request.blueprint, PathKind::Creature);
  CheckWord(run, base, creature, "aggressionLevel", kAggressionWords, "the creatures are passive");
  CheckWord(run, base, creature, "facing", kFacingWords, "the creatures face forward");
  for (const LevelKey& level : kLevelKeys) {
    const int32_t points = request.*level.points;
    if (points < 0 || points > 255)
      run.Warn(base + PointerToken(level.key), "level points " + std::to_string(points) +
                                                   " are outside 0..255: the creature gets " +
                                                   std::to_string(static_cast<uint8_t>(points)));
  }
  if (!request.saddleBlueprint.empty()) {
    CheckPath(run, base + "/saddleBlueprint", request.saddleBlueprint, PathKind::Item);
    const double exact = ExactSaddleArmorStatValue(request.saddleArmor);
    if (request.saddleArmor >= 0.0f && std::fabs(SaddleArmorStatValue(request.saddleArmor) - exact) >= 1.0)
      run.Warn(creature.contains("saddleArmor") ? base + "/saddleArmor" : base,
               "saddle armor " + Shown(creature.value("saddleArmor", json(25))) +
                   " wraps in its 16-bit stat value: the saddle gets " +
                   std::to_string(SaddleArmorStatValue(request.saddleArmor)),
               "armor from 25 up to, not including, 352.68 is stored as written; a negative one keeps the game's");
  }
  if (request.imprint < 0.0f || request.imprint > 1.0f)
    run.Warn(base + "/imprint", "imprint " + Shown(creature["imprint"]) + " is outside 0..1: it counts as " +
                                    (request.imprint > 1.0f ? "1" : "none"));
  CheckCount(run, base + "/count", read.count);
  CheckItems(run, base, creature, request.items, [&](const std::string& at, const ItemEntry& entry) {
    if (entry.blueprint.empty())
      run.Warn(at, "the item has no \"blueprint\" path: it gives nothing");
    else
      CheckPath(run, at + "/blueprint", entry.blueprint, PathKind::Item);
  });
}

}  // namespace check
