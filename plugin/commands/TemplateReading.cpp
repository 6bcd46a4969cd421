#include "orvanel/commands/TemplateReading.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <string_view>
#include <utility>

#include "orvanel/commands/TemplateValues.h"
#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/KeyReads.h"

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
  std::string lower = word;
  for (char& character : lower) character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
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

// The place of `key` in `object`; a keyed read on a value that is no object
// fails at the value itself.
std::string KeyPointer(const std::string& at, const json& object, const char* key) {
  NoteKeyRead(at, key);
  return object.is_object() ? at + Token(key) : at;
}

template <typename Read>
auto ReadAt(const std::string& pointer, Read read) -> decltype(read()) {
  try {
    return read();
  } catch (const TemplateReadError&) {
    throw;
  } catch (const std::exception& error) {
    throw TemplateReadError(pointer, JsonErrorReason(error.what()));
  }
}

int32_t IntegerAt(const std::string& at, const json& object, const char* key, int32_t fallback) {
  return ReadAt(KeyPointer(at, object, key), [&] { return ReadTemplateInteger(object, key, fallback); });
}

float NumberAt(const std::string& at, const json& object, const char* key, double fallback) {
  return ReadAt(KeyPointer(at, object, key), [&] { return ReadTemplateNumber(object, key, fallback); });
}

template <typename Value>
Value ValueAt(const std::string& at, const json& object, const char* key, Value fallback) {
  return ReadAt(KeyPointer(at, object, key), [&] { return object.value(key, fallback); });
}

std::string RequiredStringAt(const std::string& at, const json& object, const char* key) {
  return ReadAt(KeyPointer(at, object, key), [&] { return object.at(key).get<std::string>(); });
}

// Read as one list of strings; a fault in the list is placed at its element.
std::vector<std::string> PathListAt(const std::string& at, const json& paths) {
  if (!paths.is_array()) return ReadAt(at, [&] { return paths.get<std::vector<std::string>>(); });
  std::vector<std::string> read;
  for (std::size_t index = 0; index < paths.size(); ++index)
    read.push_back(ReadAt(at + "/" + std::to_string(index), [&] { return paths[index].get<std::string>(); }));
  return read;
}

ItemEntry ReadKitEntry(const json& element, const std::string& at) {
  ItemEntry entry;
  entry.blueprint = ValueAt(at, element, "blueprint", std::string());
  if (element.contains(NoteKeyRead(at, "blueprints")))
    entry.blueprints = PathListAt(at + "/blueprints", element["blueprints"]);
  entry.quantity = IntegerAt(at, element, "quantity", 0);
  entry.count = IntegerAt(at, element, "count", 1);
  entry.quality = NumberAt(at, element, "quality", 0.0);
  return entry;
}

ItemEntry ReadCreatureItem(const json& element, const std::string& at) {
  ItemEntry entry;
  entry.blueprint = RequiredStringAt(at, element, "blueprint");
  entry.quantity = IntegerAt(at, element, "quantity", 1);
  entry.count = IntegerAt(at, element, "count", 1);
  return entry;
}

// Reads the "items" of a template into `entries`, each with `read_entry`, and
// returns each element's place, for the work limits that name the one at fault.
// A null "items" walks as an empty list, a lone value as a list of one.
template <typename Entry, typename ReadEntry>
std::vector<std::string> ReadItemsOf(const json& object, std::vector<Entry>& entries, ReadEntry read_entry) {
  const json items = ReadAt(KeyPointer("", object, "items"), [&] { return object.value("items", json::array()); });
  std::vector<std::string> places;
  WalkTemplateList("/items", items, [&](const json& element, const std::string& at) {
    entries.push_back(read_entry(element, at));
    places.push_back(at);
  });
  return places;
}

}  // namespace

TemplateReadError::TemplateReadError(std::string at, std::string why)
    : std::runtime_error(at.empty() ? why : at + ": " + why), pointer(std::move(at)), reason(std::move(why)) {}

std::string TemplateReadFailure(const std::exception& failure) {
  const auto* read = dynamic_cast<const TemplateReadError*>(&failure);
  if (read == nullptr) return JsonErrorReason(failure.what());
  return read->pointer.empty() ? read->reason : read->pointer + ": " + read->reason;
}

const json* FindCatalogueElement(const json& entry, const char* member, const std::string& name) {
  if (!entry.is_object()) return nullptr;
  const auto catalogue = entry.find(NoteKeyRead("", member));
  if (catalogue == entry.end() || !catalogue->is_object()) return nullptr;
  const auto found = catalogue->find(name);
  return found == catalogue->end() ? nullptr : &*found;
}

ItemKit ReadItemKit(const json& kit) {
  ItemKit read;
  read.passes = IntegerAt("", kit, "count", 1);
  const std::vector<std::string> places = ReadItemsOf(kit, read.entries, ReadKitEntry);
  TemplateWork creations{kMaxItemCreationsPerCommand, "item creations"};
  for (std::size_t index = 0; index < read.entries.size(); ++index) {
    const ItemEntry& entry = read.entries[index];
    const auto paths = static_cast<int64_t>(std::max<std::size_t>(entry.blueprints.size(), 1));
    ReadAt(places[index], [&] { creations.Add(read.passes, int64_t{entry.count} * paths); });
  }
  read.creations = creations.asked;
  return read;
}

CreatureTemplate ReadCreatureTemplate(const json& creature) {
  CreatureTemplate read;
  CreatureSpawnRequest& request = read.request;
  request.blueprint = RequiredStringAt("", creature, "blueprint");
  request.saddleBlueprint = ValueAt("", creature, "saddleBlueprint", std::string());
  const WordCode* aggression = FindWordCode(kAggressionWords, ValueAt("", creature, "aggressionLevel", std::string()));
  request.aggressionLevel = aggression != nullptr ? aggression->code : 0;
  const WordCode* facing = FindWordCode(kFacingWords, ValueAt("", creature, "facing", std::string()));
  read.facing = facing != nullptr ? facing->code : kFacingForward;

  request.saddleArmor = NumberAt("", creature, "saddleArmor", 25.0);
  request.imprint = NumberAt("", creature, "imprint", 0.0);
  for (const LevelKey& level : kLevelKeys) request.*level.points = IntegerAt("", creature, level.key, 0);
  read.count = IntegerAt("", creature, "count", 1);
  read.radius = NumberAt("", creature, "radius", 1000.0);
  request.follow = ValueAt("", creature, "follow", false);
  request.ignoreAllWhistles = ValueAt("", creature, "ignoreAllWhistles", false);
  request.ignoreAllyLook = ValueAt("", creature, "ignoreAllyLook", false);

  const std::vector<std::string> places = ReadItemsOf(creature, request.items, ReadCreatureItem);

  TemplateWork creatures{kMaxCreaturesPerGroup, "creatures"};
  ReadAt("/count", [&] { creatures.Add(1, read.count); });
  TemplateWork creations{kMaxItemCreationsPerCommand, "item creations"};
  ReadAt("/saddleBlueprint", [&] { creations.Add(read.count, request.saddleBlueprint.empty() ? 0 : 1); });
  for (std::size_t index = 0; index < request.items.size(); ++index)
    ReadAt(places[index], [&] { creations.Add(read.count, request.items[index].count); });
  return read;
}

TeleportLocation ReadTeleportLocation(const json& location) {
  TeleportLocation read;
  read.x = NumberAt("", location, "x", 0.0);
  read.y = NumberAt("", location, "y", 0.0);
  read.z = NumberAt("", location, "z", 0.0);
  return read;
}
