#include "tools/check/Check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "orvanel/commands/TemplateReading.h"
#include "orvanel/commands/UseLimits.h"
#include "orvanel/core/AsciiCase.h"
#include "orvanel/core/CommandTable.h"
#include "orvanel/core/ConfigText.h"
#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/NameDistance.h"
#include "orvanel/core/Settings.h"
#include "orvanel/game/BlueprintPath.h"
#include "sandbox/game/AssetCatalogue.h"
#include "tools/check/JsonPlaces.h"
#include "tools/check/Schema.h"
#include "tools/check/SyntaxCause.h"

using nlohmann::json;

namespace check {

namespace {

constexpr const char* kRefused = "load and reload refuse the whole file";

std::string Quoted(const std::string& text) { return json(text).dump(-1, ' ', false, json::error_handler_t::replace); }

std::string Shown(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

enum class PathKind { Item, Creature };

// Where the number that `what` quotes ("... parsing '1e400'") stands in `text`
// as a value of its own; 0 when it is not found.
std::size_t OffsetOfNumber(std::string_view text, std::string_view what) {
  const std::size_t open = what.find('\'');
  const std::size_t close = what.rfind('\'');
  if (open == std::string_view::npos || close <= open + 1) return 0;
  const std::string_view number = what.substr(open + 1, close - open - 1);
  const auto delimits = [](char c) { return std::string_view(" \t\r\n,:[]{}").find(c) != std::string_view::npos; };
  for (std::size_t at = text.find(number); at != std::string_view::npos; at = text.find(number, at + 1)) {
    const bool starts = at == 0 || delimits(text[at - 1]);
    const bool ends = at + number.size() == text.size() || delimits(text[at + number.size()]);
    if (starts && ends) return at;
  }
  return 0;
}

// What the checker calls one element of a catalogue of `kind`, before its name.
const char* ElementNoun(CatalogueKind kind) {
  switch (kind) {
    case CatalogueKind::ItemKits:
      return "kit";
    case CatalogueKind::CreatureTemplates:
      return "creature group";
    case CatalogueKind::TeleportLocations:
      return "location";
    case CatalogueKind::None:
      break;
  }
  return "template";
}

class Checker {
 public:
  Checker(std::string file, std::string_view text, const Catalogue* catalogue)
      : file_(std::move(file)), text_(text), catalogue_(catalogue) {}

  std::vector<Diagnostic> Run() {
    try {
      config_ = ParseConfigText(text_);
    } catch (const json::parse_error& error) {
      const std::size_t stop = error.byte > 0 ? error.byte - 1 : 0;
      const TextPlace place = PlaceOfOffset(text_, stop);
      diagnostics_.push_back({"error", file_, place.line, place.column, "", JsonErrorReason(error.what()), kRefused});
      // A line of its own after the error, at the place of the fix.
      if (const std::optional<SyntaxCause> cause = LikelySyntaxCause(text_, stop, error.what())) {
        const TextPlace fix = PlaceOfOffset(text_, cause->offset);
        diagnostics_.push_back({"note", file_, fix.line, fix.column, "", cause->message, ""});
      }
      return diagnostics_;
    } catch (const json::out_of_range& error) {
      // A number beyond a double's range; the library names the number, not its place.
      const TextPlace place = PlaceOfOffset(text_, OffsetOfNumber(text_, error.what()));
      diagnostics_.push_back({"error", file_, place.line, place.column, "", JsonErrorReason(error.what()), kRefused});
      return diagnostics_;
    } catch (const std::exception& error) {
      diagnostics_.push_back({"error", file_, 1, 1, "", error.what(), kRefused});
      return diagnostics_;
    }
    places_ = ScanJsonPlaces(text_);
    CheckLoad();
    CheckSomethingIsOffered();
    CheckUnknownKeys();
    CheckRepeatedKeys();
    if (config_.is_object() && config_.contains("Commands") && config_["Commands"].is_object())
      for (const CommandRow& row : kCommandRows)
        if (config_["Commands"].contains(row.key)) CheckCommand(row);
    std::stable_sort(diagnostics_.begin(), diagnostics_.end(), [](const Diagnostic& a, const Diagnostic& b) {
      if (a.severity != b.severity) return a.severity == "error";
      return std::pair(a.line, a.column) < std::pair(b.line, b.column);
    });
    return diagnostics_;
  }

 private:
  void Add(const char* severity, const std::string& pointer, std::string message, std::string hint = {},
           bool at_key = false) {
    const JsonPlace place = FindPlace(places_, pointer);
    const TextPlace at = at_key ? place.key : place.value;
    diagnostics_.push_back({severity, file_, at.line, at.column, pointer, std::move(message), std::move(hint)});
  }
  void Error(const std::string& pointer, std::string message, std::string hint = {}) {
    Add("error", pointer, std::move(message), std::move(hint));
  }
  void Warn(const std::string& pointer, std::string message, std::string hint = {}) {
    Add("warning", pointer, std::move(message), std::move(hint));
  }

  // The entry reads of load on one entry; a failing entry is narrowed to each
  // member that fails alone (and to the whitelist element).
  void CheckEntry(const std::string& pointer, const json& entry, bool feature) {
    const auto parse = [feature, name = json::json_pointer(pointer).back()](const json& value) {
      if (feature)
        ParseFeatureSettings(name, value);
      else
        ParseCommandSettings(value);
    };
    try {
      parse(entry);
      return;
    } catch (const std::exception& whole) {
      bool named = false;
      if (entry.is_object()) {
        for (const auto& [key, value] : entry.items()) {
          try {
            parse(json::object({{key, value}}));
          } catch (const std::exception& alone) {
            std::string at = pointer + PointerToken(key);
            std::string reason = JsonErrorReason(alone.what());
            if (key == "Whitelist" && value.is_array())
              for (std::size_t index = 0; index < value.size(); ++index) try {
                  parse(json::object({{key, json::array({value[index]})}}));
                } catch (const std::exception& element) {
                  at += "/" + std::to_string(index);
                  reason = JsonErrorReason(element.what());
                  break;
                }
            Error(at, reason, kRefused);
            named = true;
          }
        }
      }
      if (!named) Error(pointer, JsonErrorReason(whole.what()), kRefused);
    }
  }

  void CheckLoad() {
    Settings loaded;
    try {
      loaded = ReadSettings(config_);
    } catch (const std::exception& error) {
      const std::size_t before = diagnostics_.size();
      if (config_.is_object()) {
        for (const char* section : {"Commands", "Features"}) {
          if (!config_.contains(section)) continue;
          const json& members = config_[section];
          const std::string at = std::string("/") + section;
          const bool feature = section == std::string("Features");
          if (members.is_object()) {
            for (const auto& [key, value] : members.items()) CheckEntry(at + PointerToken(key), value, feature);
            continue;
          }
          // A section that is no object is refused whole, as load reads it.
          try {
            (void)ReadSettings(json::object({{section, members}}));
          } catch (const std::exception& whole) {
            Error(at, JsonErrorReason(whole.what()), kRefused);
          }
        }
      }
      if (diagnostics_.size() == before) Error("", JsonErrorReason(error.what()), kRefused);
      return;
    }
    try {
      RefreshSettings(loaded, ReadSettings(config_));
    } catch (const std::exception& error) {
      Error("", JsonErrorReason(error.what()), "reload refuses the whole file");
    }
  }

  // A file that loads but registers no command leaves the plugin with nothing to offer.
  void CheckSomethingIsOffered() {
    Settings read;
    try {
      read = ReadSettings(config_);
    } catch (const std::exception&) {
      return;  // an error already
    }
    for (const CommandRow& row : kCommandRows)
      if (const CommandSettings* settings = read.Command(row.key);
          settings != nullptr && settings->enabled && !settings->command.empty())
        return;
    Warn("", "no command is enabled with a \"Command\" text: the plugin offers nothing",
         "give an entry under \"Commands\" a \"Command\", as in \"TeleportTo_Console\": {\"Command\": \"tpto\"}");
  }

  void CheckUnknownKeys() {
    for (const UnknownKey& unknown : FindUnknownKeys(config_, ConfigSchema())) {
      const std::string nearest = NearestWord(unknown.key, unknown.known);
      const std::string hint = nearest.empty() ? std::string() : "did you mean " + Quoted(nearest) + "?";
      const bool command = unknown.pointer == "/Commands";
      Add("warning", unknown.pointer + PointerToken(unknown.key),
          command ? "unknown command key " + Quoted(unknown.key) + ": no command reads this entry"
                  : "unknown key " + Quoted(unknown.key) + " is ignored",
          hint, true);
    }
  }

  void CheckRepeatedKeys() {
    for (const RepeatedKey& repeat : places_.repeats) {
      const std::string key = json::json_pointer(repeat.pointer).back();
      diagnostics_.push_back({"warning", file_, repeat.ignored.line, repeat.ignored.column, repeat.pointer,
                              "duplicate key " + Quoted(key) + ": this value is ignored, the one at line " +
                                  std::to_string(repeat.kept.line) + ", column " + std::to_string(repeat.kept.column) +
                                  " is read",
                              ""});
    }
  }

  // The file's own switch: the checker has no loaded plugin whose settings it could ask.
  bool FeatureSwitchedOnInFile(const char* name) const {
    if (!config_.is_object() || !config_.contains("Features") || !config_["Features"].is_object()) return false;
    const json& features = config_["Features"];
    if (!features.contains(name)) return false;
    try {
      return ParseFeatureSettings(name, features[name]).enabled;
    } catch (const std::exception&) {
      return false;
    }
  }

  void CheckCommand(const CommandRow& row) {
    const json& entry = config_["Commands"][row.key];
    const std::string at = "/Commands" + PointerToken(row.key);
    CommandSettings settings;
    try {
      settings = ParseCommandSettings(entry);
    } catch (const std::exception&) {
      return;  // an error already
    }
    const std::string text = entry.value("Command", std::string());
    if (!settings.enabled) {
      Warn(at + "/Enabled", "the command is disabled and is not registered");
    } else if (settings.command.empty()) {
      Warn(entry.contains("Command") ? at + "/Command" : at,
           "the command has no \"Command\" text and is not registered");
    } else {
      CheckCommandText(row, at + "/Command", text);
    }
    if (settings.permissions && !FeatureSwitchedOnInFile(kPermissionsFeature))
      Warn(at + "/Permissions",
           "\"Permissions\" is on but the feature \"Permissions\" is not enabled: no permission is checked",
           "set \"Features\": {\"Permissions\": {\"Enabled\": true}}");
    else if (settings.permissions && settings.whitelist.empty())
      Warn(entry.contains("Whitelist") ? at + "/Whitelist" : at + "/Permissions",
           "\"Permissions\" is on and the whitelist is empty: nobody may use the command",
           "add the Steam ids that may use it under \"Whitelist\"");
    CheckWhitelistIds(at, entry);
    if (row.HasCatalogue() && entry.contains(row.catalogue.member))
      CheckCatalogue(row, at, entry[row.catalogue.member],
                     settings.enabled && !settings.command.empty() ? text : row.key);
  }

  // An entry's own whitelist: read as the plugin reads it, and of use only with its feature.
  void CheckEntryWhitelist(const std::string& at, const json& entry, const std::string& name) {
    if (!entry.is_object() || !entry.contains("Whitelist")) return;
    try {
      const std::optional<std::vector<int64_t>> whitelist = ReadEntryWhitelist(entry);
      if (!FeatureSwitchedOnInFile(kPermissionsFeature))
        Warn(at + "/Whitelist", "the feature \"Permissions\" is not enabled: the whitelist is not checked",
             "set \"Features\": {\"Permissions\": {\"Enabled\": true}}");
      else if (whitelist->empty())
        Warn(at + "/Whitelist", "the whitelist is empty: nobody may use " + Quoted(name));
    } catch (const std::exception& error) {
      Error(at + "/Whitelist", JsonErrorReason(error.what()),
            "with \"Permissions\" on, its use answers " + Quoted(kTemplateFaultyReply));
      return;
    }
    CheckWhitelistIds(at, entry);
  }

  // A Steam id written with a fraction or beyond 64 bits is read as another number.
  void CheckWhitelistIds(const std::string& at, const json& entry) {
    if (!entry.contains("Whitelist") || !entry["Whitelist"].is_array()) return;
    const json& ids = entry["Whitelist"];
    for (std::size_t index = 0; index < ids.size(); ++index) {
      if (!ids[index].is_number_float()) continue;
      const int64_t read = ParseCommandSettings(json{{"Whitelist", json::array({ids[index]})}}).whitelist.front();
      if (static_cast<double>(read) == ids[index].get<double>() && std::fabs(ids[index].get<double>()) < 9.0e15)
        continue;
      Warn(at + "/Whitelist/" + std::to_string(index),
           "the Steam id is not written as a whole number: it is read as " + std::to_string(read),
           "write the id as a whole number, without a point or exponent");
    }
  }

  void CheckCommandText(const CommandRow& row, const std::string& at, const std::string& text) {
    if (text.find(' ') != std::string::npos)
      Warn(at, "the command text " + Quoted(text) + " holds a space: it is registered but no line can reach it");
    else if (std::any_of(text.begin(), text.end(), [](char c) { return c < 0x21 || c > 0x7E; }))
      Warn(at, "the command text " + Quoted(text) +
                   " holds a character outside printable ASCII: it is registered but no line can reach it");
    // The host matches command words without regard to the case of ASCII letters.
    auto& seen = row.kind == CommandKind::Chat ? chat_texts_ : console_texts_;
    const auto [earlier, fresh] = seen.emplace(AsciiLower(text), std::pair(text, std::string(row.key)));
    if (fresh) return;
    if (earlier->second.first == text)
      Warn(at, "the command text " + Quoted(text) + " is also the text of " + Quoted(earlier->second.second) +
                   ": only one of them is reached");
    else
      Warn(at, "the command text " + Quoted(text) + " differs from " + Quoted(earlier->second.first) + " of " +
                   Quoted(earlier->second.second) +
                   " only in letter case: commands are matched without regard to case, so only one of them is "
                   "reached");
  }

  void CheckCatalogue(const CommandRow& row, const std::string& at, const json& catalogue, const std::string& text) {
    const std::string member = at + PointerToken(row.catalogue.member);
    if (!catalogue.is_object()) {
      Warn(member,
           Quoted(row.catalogue.member) + " is not an object: every name is answered " + Quoted(kTemplateMissingReply));
      return;
    }
    for (const auto& [name, value] : catalogue.items()) {
      const std::string base = member + PointerToken(name);
      CheckName(base, name);
      // The command's own read stage names every fault; what it read is looked
      // at further, when it read without one, by the checks that know its kind.
      TemplateFaults faults;
      switch (row.catalogue.kind) {
        case CatalogueKind::ItemKits:
          if (const ItemKit kit = ReadItemKit(value, &faults); faults.empty()) CheckKit(base, value, kit);
          break;
        case CatalogueKind::CreatureTemplates:
          if (const CreatureTemplate creature = ReadCreatureTemplate(value, &faults); faults.empty())
            CheckCreature(base, value, creature);
          break;
        case CatalogueKind::TeleportLocations:
          if (const TeleportLocation location = ReadTeleportLocation(value, &faults); faults.empty())
            CheckLocation(base, location);
          break;
        case CatalogueKind::None:
          break;
      }
      CheckEntryWhitelist(base, value, name);
      const UseLimits limits = ReadUseLimits(value, &faults);
      if ((limits.cooldownMs > 0 || limits.uses) && !FeatureSwitchedOnInFile(kCooldownsFeature))
        Warn(base + PointerToken(limits.cooldownMs > 0 ? "cooldown" : "uses"),
             "the feature \"Cooldowns\" is not enabled: no cooldown or use limit is kept",
             "set \"Features\": {\"Cooldowns\": {\"Enabled\": true}}");
      std::string line = text;
      line += ' ';
      line += name;
      std::string hint = Quoted(line);
      hint += " answers ";
      hint += Quoted(kTemplateFaultyReply);
      // A fault of the template itself is said of it by name.
      std::string subject = ElementNoun(row.catalogue.kind);
      subject += ' ';
      subject += Quoted(name);
      subject += ' ';
      for (const TemplateReadError& fault : faults)
        Error(base + fault.pointer, fault.pointer.empty() ? subject + fault.reason : fault.reason, hint);
    }
  }

  // A name a player types after the command: the line is split at spaces and
  // narrowed to ASCII on its way to the plugin, so such a name is never reached.
  void CheckName(const std::string& at, const std::string& name) {
    if (name.find(' ') != std::string::npos)
      Add("warning", at, "the name " + Quoted(name) + " holds a space: no line can name it", "", true);
    else if (std::any_of(name.begin(), name.end(), [](char c) { return c < 0x21 || c > 0x7E; }))
      Add("warning", at, "the name " + Quoted(name) + " holds a character outside printable ASCII: no line can name it",
          "", true);
    else if (name.empty())
      Add("warning", at, "the name is empty: no line can name it", "", true);
  }

  // A whole number beyond 32 bits wraps as the JSON library converts it: true
  // when the value at `at` did, which is then named with what it became.
  bool Wrapped(const std::string& at, const char* what, int32_t read) {
    const json::json_pointer pointer(at);
    if (!config_.contains(pointer)) return false;
    const json& written = config_.at(pointer);
    if (!written.is_number_integer()) return false;
    if (written.is_number_unsigned() ? read >= 0 && written.get<uint64_t>() == static_cast<uint64_t>(read)
                                     : written.get<int64_t>() == read)
      return false;
    Warn(at,
         std::string(what) + " " + written.dump() + " does not fit in 32 bits: it is read as " + std::to_string(read));
    return true;
  }

  void CheckCount(const std::string& at, int32_t count) {
    if (Wrapped(at, "count", count)) return;
    if (count <= 0) Warn(at, "count " + std::to_string(count) + " gives nothing");
  }

  void CheckQuantity(const std::string& at, int32_t quantity) {
    if (Wrapped(at, "quantity", quantity)) return;
    if (quantity < 0) Warn(at, "quantity " + std::to_string(quantity) + " is negative");
  }

  // A place no map holds: the engine's worlds end at this distance from the origin.
  void CheckLocation(const std::string& base, const TeleportLocation& read) {
    constexpr double kWorldEnd = 2097152.0;
    for (const auto& [key, value] : {std::pair{"x", read.x}, std::pair{"y", read.y}, std::pair{"z", read.z}})
      if (std::fabs(static_cast<double>(value)) > kWorldEnd)
        Warn(base + "/" + key, std::string(key) + " " +
                                   Shown(config_.value(json::json_pointer(base + "/" + key), json(value))) +
                                   " lies outside every map: the engine's worlds end at 2097152 units from the origin");
  }

  void CheckPath(const std::string& at, const std::string& path, PathKind kind) {
    const std::string core = NormalizeBlueprintPath(path, false, false);
    if (core.empty() || core.front() != '/') {
      Warn(at, "the path " + Quoted(path) + " cannot name an asset",
           "an asset path starts with \"/\", as in \"/Game/Items/Rope.Rope\"");
      return;
    }
    if (std::any_of(core.begin(), core.end(), [](char c) { return c <= ' ' || c == '"' || c == '\''; })) {
      Warn(at, "the path " + Quoted(path) + " holds a blank, a quote or a control character: it loads nothing",
           "no asset path holds one; was it pasted with a space?");
      return;
    }
    if (catalogue_ == nullptr || catalogue_->any) return;
    if (kind == PathKind::Item && catalogue_->items.count(NormalizeBlueprintPath(path, false, true)) == 0)
      Warn(at, "the path " + Quoted(path) + " is not an item class in the world's catalogue");
    if (kind == PathKind::Creature && catalogue_->creatures.count(NormalizeBlueprintPath(path, true, false)) == 0)
      Warn(at, "the path " + Quoted(path) + " is not a creature in the world's catalogue");
  }

  // Walks a template's "items" beside the entries read from them: each one's
  // count and quantity, then `check_paths` for its paths.
  template <typename CheckPaths>
  void CheckItems(const std::string& base, const json& object, const std::vector<ItemEntry>& entries,
                  CheckPaths check_paths) {
    std::size_t index = 0;
    WalkTemplateList(base + "/items", object.value("items", json::array()), [&](const json&, const std::string& at) {
      const ItemEntry& entry = entries[index++];
      CheckCount(at + "/count", entry.count);
      CheckQuantity(at + "/quantity", entry.quantity);
      check_paths(at, entry);
    });
  }

  void CheckKit(const std::string& base, const json& kit, const ItemKit& read) {
    CheckCount(base + "/count", read.passes);
    if (read.entries.empty()) Warn(base, "the kit has no items: it gives nothing");
    CheckItems(base, kit, read.entries, [&](const std::string& at, const ItemEntry& entry) {
      if (!entry.blueprints.empty()) {
        for (std::size_t path = 0; path < entry.blueprints.size(); ++path)
          CheckPath(at + "/blueprints/" + std::to_string(path), entry.blueprints[path], PathKind::Item);
      } else if (entry.blueprint.empty()) {
        Warn(at, "the item has no \"blueprint\" or \"blueprints\" path: it gives nothing");
      } else {
        CheckPath(at + "/blueprint", entry.blueprint, PathKind::Item);
      }
    });
  }

  void CheckWord(const std::string& at, const json& creature, const char* key, std::span<const WordCode> words,
                 const std::string& what) {
    if (!creature.contains(key)) return;
    const std::string word = creature[key].get<std::string>();
    if (FindWordCode(words, word) != nullptr) return;
    std::vector<std::string> known;
    for (const WordCode& entry : words) known.emplace_back(entry.word);
    const std::string nearest = NearestWord(word, known);
    std::string hint = nearest.empty() ? "one of " : "did you mean " + Quoted(nearest) + "?";
    if (nearest.empty())
      for (std::size_t index = 0; index < known.size(); ++index) hint += (index > 0 ? ", " : "") + Quoted(known[index]);
    Warn(at + PointerToken(key), Quoted(word) + " is not a known word: " + what, hint);
  }

  void CheckCreature(const std::string& base, const json& creature, const CreatureTemplate& read) {
    const CreatureSpawnRequest& request = read.request;
    CheckPath(base + "/blueprint", request.blueprint, PathKind::Creature);
    CheckWord(base, creature, "aggressionLevel", kAggressionWords, "the creatures are passive");
    CheckWord(base, creature, "facing", kFacingWords, "the creatures face forward");
    for (const LevelKey& level : kLevelKeys) {
      const int32_t points = request.*level.points;
      if (points < 0 || points > 255)
        Warn(base + PointerToken(level.key), "level points " + std::to_string(points) +
                                                 " are outside 0..255: the creature gets " +
                                                 std::to_string(static_cast<uint8_t>(points)));
    }
    if (!request.saddleBlueprint.empty()) {
      CheckPath(base + "/saddleBlueprint", request.saddleBlueprint, PathKind::Item);
      const double exact = ExactSaddleArmorStatValue(request.saddleArmor);
      if (request.saddleArmor >= 0.0f && std::fabs(SaddleArmorStatValue(request.saddleArmor) - exact) >= 1.0)
        Warn(creature.contains("saddleArmor") ? base + "/saddleArmor" : base,
             "saddle armor " + Shown(creature.value("saddleArmor", json(25))) +
                 " wraps in its 16-bit stat value: the saddle gets " +
                 std::to_string(SaddleArmorStatValue(request.saddleArmor)),
             "armor from 25 up to, not including, 352.68 is stored as written; a negative one keeps the game's");
    }
    if (request.imprint < 0.0f || request.imprint > 1.0f)
      Warn(base + "/imprint", "imprint " + Shown(creature["imprint"]) + " is outside 0..1: it counts as " +
                                  (request.imprint > 1.0f ? "1" : "none"));
    CheckCount(base + "/count", read.count);
    CheckItems(base, creature, request.items, [&](const std::string& at, const ItemEntry& entry) {
      if (entry.blueprint.empty())
        Warn(at, "the item has no \"blueprint\" path: it gives nothing");
      else
        CheckPath(at + "/blueprint", entry.blueprint, PathKind::Item);
    });
  }

  std::string file_;
  std::string_view text_;
  const Catalogue* catalogue_;
  json config_;
  JsonPlaces places_;
  std::vector<Diagnostic> diagnostics_;
  // Each command text seen, by its lower-cased form: the text as written and its key.
  std::map<std::string, std::pair<std::string, std::string>> chat_texts_;
  std::map<std::string, std::pair<std::string, std::string>> console_texts_;
};

// The length of the start two words share, letters compared without regard to case.
std::size_t SharedStart(const std::string& a, const std::string& b) {
  std::size_t length = 0;
  while (length < a.size() && length < b.size() && AsciiLower(a[length]) == AsciiLower(b[length])) ++length;
  return length;
}

}  // namespace

std::string NearestWord(const std::string& word, const std::vector<std::string>& known) {
  std::string nearest;
  std::size_t best = 0;
  for (const std::string& candidate : known) {
    const std::size_t distance = NameDistance(word, candidate);
    if (!NearEnough(distance, candidate)) continue;
    // Of two as near, the one that shares the longer start ("Quanity": "quantity").
    if (nearest.empty() || distance < best ||
        (distance == best && SharedStart(word, candidate) > SharedStart(word, nearest))) {
      nearest = candidate;
      best = distance;
    }
  }
  return nearest;
}

Catalogue LoadCatalogue(const std::string& world_file) {
  std::ifstream file(world_file, std::ios::binary);
  if (!file.is_open()) throw std::runtime_error("cannot read the world file " + world_file);
  json description;
  try {
    description = json::parse(file);
  } catch (const json::exception& error) {
    throw std::runtime_error(world_file + ": " + JsonErrorWithPlace(error.what()));
  }
  if (!description.is_object()) throw std::runtime_error(world_file + ": a world file must hold one JSON object");
  Catalogue catalogue;
  if (!description.contains("assets")) return catalogue;
  sim::AssetCatalogue assets;
  try {
    assets = sim::ReadAssetCatalogue(description["assets"]);
  } catch (const std::exception& error) {
    throw std::runtime_error(world_file + ": " + error.what());
  }
  catalogue.items.insert(assets.items.begin(), assets.items.end());
  catalogue.creatures.insert(assets.creatures.begin(), assets.creatures.end());
  catalogue.any = assets.any.value_or(false);
  return catalogue;
}

std::vector<Diagnostic> CheckConfigText(const std::string& file, std::string_view text, const Catalogue* catalogue) {
  return Checker(file, text, catalogue).Run();
}

std::vector<Diagnostic> CheckConfigFile(const std::string& file, const Catalogue* catalogue) {
  // As the plugin opens it: only a regular file, which cannot block.
  const std::optional<std::string> text = ReadRegularFile(file);
  if (!text) return {{"error", file, 1, 1, "", "cannot read the file", kRefused}};
  return CheckConfigText(file, *text, catalogue);
}

std::string FormatText(const Diagnostic& diagnostic) {
  std::string line = diagnostic.file + ":" + std::to_string(diagnostic.line) + ":" + std::to_string(diagnostic.column) +
                     ": " + diagnostic.severity + ": ";
  if (!diagnostic.pointer.empty()) line += diagnostic.pointer + ": ";
  line += diagnostic.message;
  if (!diagnostic.hint.empty()) line += "; " + diagnostic.hint;
  return line;
}

nlohmann::ordered_json FormatJson(const std::vector<Diagnostic>& diagnostics) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const Diagnostic& each : diagnostics)
    list.push_back({{"severity", each.severity},
                    {"file", each.file},
                    {"line", each.line},
                    {"column", each.column},
                    {"pointer", each.pointer},
                    {"message", each.message},
                    {"hint", each.hint}});
  return list;
}

int ExitStatus(const std::vector<Diagnostic>& diagnostics) {
  int status = 0;
  for (const Diagnostic& each : diagnostics)
    status = std::max(status, each.severity == "error" ? 2 : each.severity == "warning" ? 1 : 0);
  return status;
}

}  // namespace check
