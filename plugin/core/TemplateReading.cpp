#include "orvanel/core/TemplateReading.h"

#include <algorithm>
#include <exception>
#include <string_view>
#include <utility>

#include "orvanel/core/AsciiCase.h"
#include "orvanel/core/CreatureValues.h"
#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/KeyReads.h"
#include "orvanel/core/TemplateValues.h"

using nlohmann::json;

namespace {

// A level key's text, NUL-terminated, made when the plugin is compiled; a key
// too long for it does not compile.
using LevelKeyText = std::array<char, 32>;

constexpr std::size_t kLevelKeyCount = 2 * kCreatureStats.size();

constexpr LevelKeyText JoinedKey(std::string_view prefix, std::string_view name) {
  LevelKeyText text{};
  std::size_t at = 0;
  for (const char character : prefix) text.at(at++) = character;
  for (const char character : name) text.at(at++) = character;
  text.at(at) = '\0';
  return text;
}

constexpr std::array<LevelKeyText, kLevelKeyCount> kLevelKeyTexts = [] {
  std::array<LevelKeyText, kLevelKeyCount> texts{};
  for (std::size_t stat = 0; stat < kCreatureStats.size(); ++stat) {
    texts[stat] = JoinedKey("baseLevel", kCreatureStats[stat].name);
    texts[kCreatureStats.size() + stat] = JoinedKey("tamedLevel", kCreatureStats[stat].name);
  }
  return texts;
}();

}  // namespace

constexpr std::array<LevelKey, kLevelKeyCount> kLevelKeys = [] {
  std::array<LevelKey, kLevelKeyCount> keys{};
  for (std::size_t stat = 0; stat < kCreatureStats.size(); ++stat) {
    keys[stat] = {kLevelKeyTexts[stat].data(), kCreatureStats[stat].baseLevel};
    keys[kCreatureStats.size() + stat] = {kLevelKeyTexts[kCreatureStats.size() + stat].data(),
                                          kCreatureStats[stat].tamedLevel};
  }
  return keys;
}();

const WordCode kAggressionWords[4] = {{"passive", 0}, {"neutral", 1}, {"aggressive", 2}, {"attackmytarget", 3}};
const WordCode kFacingWords[3] = {
    {"forward", kFacingForward}, {"outwards", kFacingOutwards}, {"inwards", kFacingInwards}};

const WordCode* FindWordCode(std::span<const WordCode> words, const std::string& word) {
  const std::string lower = AsciiLower(word);
  for (const WordCode& entry : words)
    if (lower == entry.word) return &entry;
  return nullptr;
}

void WalkTemplateList(const std::string& at, const json& list,
                      const std::function<void(const json&, const std::string&)>& visit) {
  std::size_t index = 0;
  for (auto element = list.begin(); element != list.end(); ++element, ++index) {
    if (list.is_array())
      visit(*element, at + "/" + std::to_string(index));
    else if (list.is_object())
      visit(*element, at + (json::json_pointer() / element.key()).to_string());
    else
      visit(*element, at);
  }
}

namespace {

std::string Token(const std::string& key) { return (json::json_pointer() / key).to_string(); }

// The place of `key` in the object at `at`.
std::string KeyPointer(const std::string& at, const char* key) { return at + Token(NoteKeyRead(at, key)); }

// Throws `fault` when there is no list to add it to.
void Fault(TemplateFaults* faults, TemplateReadError fault) {
  if (faults == nullptr) throw fault;
  faults->push_back(std::move(fault));
}

// What `read` gives, or, when the JSON library or a limit refuses the value at
// `pointer`, the fault and then `fallback`.
template <typename Value, typename Read>
Value ReadAt(TemplateFaults* faults, const std::string& pointer, Value fallback, Read read) {
  try {
    return read();
  } catch (const std::exception& error) {
    Fault(faults, TemplateReadError(pointer, JsonErrorReason(error.what())));
  }
  return fallback;
}

// Whether `value` is an object, as every keyed read needs; if not, the fault
// says it must be one with `members`.
bool IsObjectAt(TemplateFaults* faults, const std::string& at, const json& value, const char* members) {
  if (value.is_object()) return true;
  Fault(faults, TemplateReadError(at, "must be " + PlainTypeWords("object") + " with " + members + ", not " +
                                          PlainTypeWords(value.type_name())));
  return false;
}

int32_t IntegerAt(TemplateFaults* faults, const std::string& at, const json& object, const char* key,
                  int32_t fallback) {
  return ReadAt(faults, KeyPointer(at, key), fallback, [&] { return ReadTemplateInteger(object, key, fallback); });
}

float NumberAt(TemplateFaults* faults, const std::string& at, const json& object, const char* key, double fallback) {
  return ReadAt(faults, KeyPointer(at, key), static_cast<float>(fallback),
                [&] { return ReadTemplateNumber(object, key, fallback); });
}

template <typename Value>
Value ValueAt(TemplateFaults* faults, const std::string& at, const json& object, const char* key, Value fallback) {
  return ReadAt(faults, KeyPointer(at, key), fallback, [&] { return object.value(key, fallback); });
}

// A text the template must give; `what` says what it is for.
std::string RequiredStringAt(TemplateFaults* faults, const std::string& at, const json& object, const char* key,
                             const char* what) {
  const std::string pointer = KeyPointer(at, key);
  if (!object.contains(key)) {
    Fault(faults, TemplateReadError(pointer, std::string("is missing (") + what + ")"));
    return {};
  }
  return ReadAt(faults, pointer, std::string(), [&] { return object[key].get<std::string>(); });
}

// Read as one list of strings; a fault in the list is placed at its element.
std::vector<std::string> PathListAt(TemplateFaults* faults, const std::string& at, const json& paths) {
  if (!paths.is_array())
    return ReadAt(faults, at, std::vector<std::string>(), [&] { return paths.get<std::vector<std::string>>(); });
  std::vector<std::string> read;
  for (std::size_t index = 0; index < paths.size(); ++index)
    read.push_back(ReadAt(faults, at + "/" + std::to_string(index), std::string(),
                          [&] { return paths[index].get<std::string>(); }));
  return read;
}

ItemEntry ReadKitEntry(TemplateFaults* faults, const json& element, const std::string& at) {
  ItemEntry entry;
  entry.blueprint = ValueAt(faults, at, element, "blueprint", std::string());
  if (element.contains(NoteKeyRead(at, "blueprints")))
    entry.blueprints = PathListAt(faults, at + "/blueprints", element["blueprints"]);
  entry.quantity = IntegerAt(faults, at, element, "quantity", 0);
  entry.count = IntegerAt(faults, at, element, "count", 1);
  entry.quality = NumberAt(faults, at, element, "quality", 0.0);
  return entry;
}

ItemEntry ReadCreatureItem(TemplateFaults* faults, const json& element, const std::string& at) {
  ItemEntry entry;
  entry.blueprint = RequiredStringAt(faults, at, element, "blueprint", "the path of the item to give");
  entry.quantity = IntegerAt(faults, at, element, "quantity", 1);
  entry.count = IntegerAt(faults, at, element, "count", 1);
  return entry;
}

// Reads the "items" of a template into `entries`, each element that is an
// object (with `members`) with `read_entry`. A null "items" walks as an empty
// list, a lone value as a list of one.
template <typename Entry, typename ReadEntry>
void ReadItemsOf(TemplateFaults* faults, const json& object, const char* members, std::vector<Entry>& entries,
                 ReadEntry read_entry) {
  const json items = object.value(NoteKeyRead("", "items"), json::array());
  WalkTemplateList("/items", items, [&](const json& element, const std::string& at) {
    if (IsObjectAt(faults, at, element, members)) entries.push_back(read_entry(faults, element, at));
  });
}

// The fault of a template whose work passes its limit: what it asks for in all,
// how that is counted and the keys that lower it.
TemplateReadError TooMuchWork(const TemplateWork& work, const char* what, const char* counted, const char* keys) {
  return TemplateReadError("", "asks for " + std::to_string(work.asked) + " " + what + " (" + counted +
                                   "); the most is " + std::to_string(work.limit) + ": lower " + keys);
}

}  // namespace

TemplateReadError::TemplateReadError(std::string at, std::string why)
    : std::runtime_error(at.empty() ? "the template " + why : at + ": " + why),
      pointer(std::move(at)),
      reason(std::move(why)) {}

std::string TemplateReadFailure(const std::exception& failure) { return JsonErrorReason(failure.what()); }

const json* FindCatalogueElement(const json& entry, const char* member, const std::string& name) {
  if (!entry.is_object()) return nullptr;
  const auto catalogue = entry.find(NoteKeyRead("", member));
  if (catalogue == entry.end() || !catalogue->is_object()) return nullptr;
  const auto found = catalogue->find(name);
  return found == catalogue->end() ? nullptr : &*found;
}

ItemKit ReadItemKit(const json& kit, TemplateFaults* faults) {
  ItemKit read;
  if (!IsObjectAt(faults, "", kit, "\"items\"")) return read;
  read.passes = IntegerAt(faults, "", kit, "count", 1);
  ReadItemsOf(faults, kit, "a \"blueprint\" or \"blueprints\"", read.entries, ReadKitEntry);
  TemplateWork creations{kMaxItemCreationsPerCommand};
  for (const ItemEntry& entry : read.entries)
    creations.Add(read.passes,
                  int64_t{entry.count} * static_cast<int64_t>(std::max<std::size_t>(entry.blueprints.size(), 1)));
  if (creations.Exceeded())
    Fault(faults, TooMuchWork(creations, "items in all", "\"count\" x the items' \"count\" x their paths, summed",
                              "\"count\" or the items' \"count\""));
  read.creations = creations.asked;
  return read;
}

CreatureTemplate ReadCreatureTemplate(const json& creature, TemplateFaults* faults) {
  CreatureTemplate read;
  if (!IsObjectAt(faults, "", creature, "a \"blueprint\"")) return read;
  CreatureSpawnRequest& request = read.request;
  request.blueprint = RequiredStringAt(faults, "", creature, "blueprint", "the path of the creature to spawn");
  request.saddleBlueprint = ValueAt(faults, "", creature, "saddleBlueprint", std::string());
  const WordCode* aggression =
      FindWordCode(kAggressionWords, ValueAt(faults, "", creature, "aggressionLevel", std::string()));
  request.aggressionLevel = aggression != nullptr ? aggression->code : 0;
  const WordCode* facing = FindWordCode(kFacingWords, ValueAt(faults, "", creature, "facing", std::string()));
  read.facing = facing != nullptr ? facing->code : kFacingForward;

  request.saddleArmor = NumberAt(faults, "", creature, "saddleArmor", double{kDefaultSaddleArmor});
  request.imprint = NumberAt(faults, "", creature, "imprint", 0.0);
  for (const LevelKey& level : kLevelKeys) request.*level.points = IntegerAt(faults, "", creature, level.key, 0);
  read.count = IntegerAt(faults, "", creature, "count", 1);
  read.radius = NumberAt(faults, "", creature, "radius", double{kDefaultGroupRadius});
  request.follow = ValueAt(faults, "", creature, "follow", false);
  request.ignoreAllWhistles = ValueAt(faults, "", creature, "ignoreAllWhistles", false);
  request.ignoreAllyLook = ValueAt(faults, "", creature, "ignoreAllyLook", false);

  ReadItemsOf(faults, creature, "a \"blueprint\"", request.items, ReadCreatureItem);

  TemplateWork creatures{kMaxCreaturesPerGroup};
  creatures.Add(1, read.count);
  if (creatures.Exceeded()) Fault(faults, TooMuchWork(creatures, "creatures", "\"count\"", "\"count\""));
  TemplateWork creations{kMaxItemCreationsPerCommand};
  creations.Add(read.count, request.saddleBlueprint.empty() ? 0 : 1);
  for (const ItemEntry& item : request.items) creations.Add(read.count, item.count);
  if (creations.Exceeded())
    Fault(faults, TooMuchWork(creations, "items in all", "\"count\" x the saddle and the items' \"count\", summed",
                              "\"count\" or the items' \"count\""));
  return read;
}

TeleportLocation ReadTeleportLocation(const json& location, TemplateFaults* faults) {
  TeleportLocation read;
  if (!IsObjectAt(faults, "", location, "\"x\", \"y\" and \"z\"")) return read;
  read.x = NumberAt(faults, "", location, "x", 0.0);
  read.y = NumberAt(faults, "", location, "y", 0.0);
  read.z = NumberAt(faults, "", location, "z", 0.0);
  return read;
}

CatalogueRecord ReadCatalogueRecord(CatalogueKind kind, const json& element, TemplateFaults* faults) {
  switch (kind) {
    case CatalogueKind::ItemKits:
      return ReadItemKit(element, faults);
    case CatalogueKind::CreatureTemplates:
      return ReadCreatureTemplate(element, faults);
    case CatalogueKind::TeleportLocations:
      return ReadTeleportLocation(element, faults);
    case CatalogueKind::None:
      break;
  }
  return std::monostate{};
}
