// The read stage of each catalogue command, a function of the JSON alone: a kit,
// creature template or location becomes the record its command acts on, or its
// faults are named by place: the handlers take the first, the checker every one.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "orvanel/core/CreatureValues.h"
#include "orvanel/core/TemplateRecords.h"

// The two replies of the catalogue commands.
inline constexpr const char* kTemplateMissingReply = "The template does not exist! Maybe you forgot to reload..?";
inline constexpr const char* kTemplateFaultyReply = "Failed to read template...";

// What a failed read says under kTemplateFaultyReply when replies say more:
// the place inside the template and the reason ("/items/0/quantity: must be a
// number, not a text in quotes"), or "the template" and the reason for the
// template itself.
std::string TemplateReadFailure(const std::exception& failure);

// A template or location that fails to read: `pointer` is the JSON pointer of the
// value at fault from the template's own root ("" for the template itself), and
// `reason` what is wrong with it in plain words, said of that value ("must be a
// number, not a text in quotes", "asks for 12000 items in all ...").
struct TemplateReadError : std::runtime_error {
  TemplateReadError(std::string at, std::string why);
  std::string pointer;
  std::string reason;
};

// The faults of one read, in the order met.
using TemplateFaults = std::vector<TemplateReadError>;

// The kind of element a command's catalogue holds, which names the read stage
// below that reads one; None for a command without a catalogue.
enum class CatalogueKind { None, ItemKits, CreatureTemplates, TeleportLocations };

// Walks a template's "items" as a range-for of the library walks it (an array
// by element, an object by member value, null as nothing, any other value as
// itself), handing each element with its place after `at`.
void WalkTemplateList(const std::string& at, const nlohmann::json& list,
                      const std::function<void(const nlohmann::json&, const std::string&)>& visit);

// The element `name` of the object `member` of a command's entry; null when the
// entry or the member is not an object or has no such element. Adds nothing.
const nlohmann::json* FindCatalogueElement(const nlohmann::json& entry, const char* member, const std::string& name);

// An item template: the passes ("count") and the entries given in each pass,
// and the item creations that makes in all.
struct ItemKit {
  int32_t passes = 1;
  std::vector<ItemEntry> entries;
  int64_t creations = 0;
};

// A creature template: the request (its Steam id left for the caller) and how
// the group is laid out.
struct CreatureTemplate {
  CreatureSpawnRequest request;
  int32_t count = 1;
  float radius = kDefaultGroupRadius;
  int32_t facing = kFacingForward;
};

struct TeleportLocation {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

// The read stages. Without a list of faults, the first fault throws, as the
// commands want it; with one, every fault is added to it and the read goes on
// (a value at fault taken as absent, an element that is no object left out),
// so that one pass names them all.
ItemKit ReadItemKit(const nlohmann::json& kit, TemplateFaults* faults = nullptr);
CreatureTemplate ReadCreatureTemplate(const nlohmann::json& creature, TemplateFaults* faults = nullptr);
TeleportLocation ReadTeleportLocation(const nlohmann::json& location, TemplateFaults* faults = nullptr);

// The record an element of a catalogue of `kind` reads into (nothing for None).
using CatalogueRecord = std::variant<std::monostate, ItemKit, CreatureTemplate, TeleportLocation>;
// The read stage of `kind` for `element`, as the stages above read it.
CatalogueRecord ReadCatalogueRecord(CatalogueKind kind, const nlohmann::json& element,
                                    TemplateFaults* faults = nullptr);

// The fourteen level keys of a creature template, base then tamed, each in the
// order of kCreatureStats: "baseLevelHealth", ..., "tamedLevelMovementSpeed".
struct LevelKey {
  const char* key;
  int32_t CreatureSpawnRequest::*points;
};
extern const std::array<LevelKey, 2 * kCreatureStats.size()> kLevelKeys;

// The words of "aggressionLevel" and "facing" and their codes, matched after
// ASCII lower-casing (AsciiLower); any other word gives code 0.
struct WordCode {
  const char* word;
  int32_t code;
};
extern const WordCode kAggressionWords[4];
extern const WordCode kFacingWords[3];
// The entry of `words` that `word` names, case aside; null for none.
const WordCode* FindWordCode(std::span<const WordCode> words, const std::string& word);
