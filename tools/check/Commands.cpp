#include "tools/check/Commands.h"

#include <algorithm>
#include <exception>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "orvanel/core/AsciiCase.h"
#include "orvanel/core/CommandTable.h"
#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/Settings.h"
#include "orvanel/core/TemplateReading.h"
#include "orvanel/core/UseLimits.h"
#include "tools/check/Features.h"
#include "tools/check/Templates.h"
#include "tools/check/Whitelists.h"

using nlohmann::json;

namespace check {

namespace {

// The command that writes config.json, which whoever may use it can change.
constexpr const char* kSaveLocationKey = "SaveLocation_Console";

// Each command text seen, by its lower-cased form: the text as written and its key.
struct SeenTexts {
  std::map<std::string, std::pair<std::string, std::string>> chat;
  std::map<std::string, std::pair<std::string, std::string>> console;
};

// Why no line a player types reaches `text`, or nothing: a line is split at
// spaces and narrowed to printable ASCII on its way to the plugin.
std::optional<std::string> Unreachable(const std::string& text) {
  if (text.find(' ') != std::string::npos) return "holds a space";
  if (std::any_of(text.begin(), text.end(), [](char c) { return c < 0x21 || c > 0x7E; }))
    return "holds a character outside printable ASCII";
  if (text.empty()) return "is empty";
  return std::nullopt;
}

// The entry of command `key` as the plugin's settings read it; nothing when the
// file has none or it fails to read (a fault load already names).
std::optional<CommandSettings> ReadCommand(const CheckRun& run, const char* key) {
  const json& config = run.readable;
  if (!config.is_object() || !config.contains("Commands") || !config["Commands"].is_object() ||
      !config["Commands"].contains(key))
    return std::nullopt;
  try {
    return ParseCommandSettings(config["Commands"][key]);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Everyone may use a command unless its permission is checked: its own
// "Permissions" and the feature both on.
bool EveryoneMayUse(const CheckRun& run, const CommandSettings& settings) {
  return !settings.permissions || !FeatureOnInFile(run, kPermissionsFeature);
}

void CheckCommandText(CheckRun& run, const CommandRow& row, const std::string& at, const std::string& text,
                      SeenTexts& seen) {
  if (const std::optional<std::string> why = Unreachable(text))
    run.Warn(at, "the command text " + Quoted(text) + " " + *why + ": it is registered but no line can reach it");
  // The host matches command words without regard to the case of ASCII letters.
  auto& texts = row.kind == CommandKind::Chat ? seen.chat : seen.console;
  const auto [earlier, fresh] = texts.emplace(AsciiLower(text), std::pair(text, std::string(row.key)));
  if (fresh) return;
  if (earlier->second.first == text)
    run.Warn(at, "the command text " + Quoted(text) + " is also the text of " + Quoted(earlier->second.second) +
                     ": only one of them is reached");
  else
    run.Warn(at, "the command text " + Quoted(text) + " differs from " + Quoted(earlier->second.first) + " of " +
                     Quoted(earlier->second.second) +
                     " only in letter case: commands are matched without regard to case, so only one of them is "
                     "reached");
}

void CheckRegistration(CheckRun& run, const CommandRow& row, const std::string& at, const json& entry,
                       const CommandSettings& settings, SeenTexts& seen) {
  if (!settings.enabled)
    run.Warn(at + "/Enabled", "the command is disabled and is not registered");
  else if (settings.command.empty())
    run.Warn(entry.contains("Command") ? at + "/Command" : at,
             "the command has no \"Command\" text and is not registered");
  else
    CheckCommandText(run, row, at + "/Command", settings.command, seen);
}

void CheckPermissions(CheckRun& run, const std::string& at, const json& entry, const CommandSettings& settings) {
  if (settings.permissions && !FeatureOnInFile(run, kPermissionsFeature))
    run.Warn(at + "/Permissions",
             "\"Permissions\" is on but " + FeatureNotEnabled(kPermissionsFeature) + ": no permission is checked",
             EnableFeatureHint(kPermissionsFeature));
  else if (settings.permissions && settings.whitelist.Empty())
    run.Warn(entry.contains("Whitelist") ? at + "/Whitelist" : at + "/Permissions",
             "\"Permissions\" is on and the whitelist is empty: nobody may use the command",
             "add the Steam ids that may use it under \"Whitelist\"");
  else if (!settings.permissions && !settings.whitelist.Empty())
    run.Warn(at + "/Whitelist",
             "the whitelist is not applied: \"Permissions\" is not on, so everyone may use the command",
             "set \"Permissions\": true");
}

// "Others": true lets whoever may use the command act on others, a list only
// the players it names.
void CheckOthers(CheckRun& run, const std::string& at, const json& entry,
                 const std::optional<CommandSettings>& settings) {
  if (!entry.is_object() || !entry.contains("Others")) return;
  const json& others = entry["Others"];
  const std::string place = at + "/Others";
  if (others.is_boolean()) {
    if (others.get<bool>() && settings && EveryoneMayUse(run, *settings))
      run.Warn(place, "\"Others\" is true and everyone may use the command: anyone can act on anyone",
               "list the Steam ids who may act on others under \"Others\", or set \"Permissions\": true with a "
               "\"Whitelist\"");
    return;
  }
  if (!others.is_array()) {
    run.Error(place, "must be true, false or a list in [ ] of Steam ids, not " + PlainTypeWords(others.type_name()),
              kRefused);
    return;
  }
  if (const std::optional<ListFault> fault = SteamIdListFault(others)) {
    run.Error(place + fault->place, fault->reason, kRefused);
    return;
  }
  CheckSteamIds(run, place, others);
}

// The save-location command writes the server's config.json, and its locations
// are of use only to the teleport command.
void CheckSaveLocation(CheckRun& run, const std::string& at, const CommandSettings& settings) {
  if (!Registers(&settings)) return;
  if (EveryoneMayUse(run, settings))
    run.Warn(at + "/Command", "anyone may use the command, and it writes the server's config.json",
             settings.permissions ? EnableFeatureHint(kPermissionsFeature)
                                  : "set \"Permissions\": true with a \"Whitelist\" of those who may");
  for (const CommandRow& row : kCommandRows) {
    if (row.catalogue.kind != CatalogueKind::TeleportLocations) continue;
    const std::optional<CommandSettings> teleport = ReadCommand(run, row.key);
    const json* written = run.ValueAt("/Commands" + PointerToken(row.key));
    // A teleport entry that fails to read is a fault load names.
    if (written != nullptr && !teleport) continue;
    if (!teleport || !Registers(&*teleport))
      run.Warn(at + "/Command",
               "the teleport command " + Quoted(row.key) + " is not registered: no saved location can be used",
               "give " + Quoted(row.key) + " a \"Command\" and leave it enabled");
  }
}

// An entry's own whitelist: read as the plugin reads it, and of use only with its feature.
void CheckEntryWhitelist(CheckRun& run, const std::string& at, const json& entry, const std::string& name) {
  if (!entry.is_object() || !entry.contains("Whitelist")) return;
  const json& list = entry["Whitelist"];
  const std::string place = at + "/Whitelist";
  if (const std::optional<ListFault> fault = SteamIdListFault(list)) {
    run.Error(place + fault->place, fault->reason,
              "with \"Permissions\" on, its use answers " + Quoted(kTemplateFaultyReply));
    return;
  }
  if (!FeatureOnInFile(run, kPermissionsFeature))
    run.Warn(place, FeatureNotEnabled(kPermissionsFeature) + ": the whitelist is not checked",
             EnableFeatureHint(kPermissionsFeature));
  else if (ReadEntryWhitelist(entry)->Empty())
    run.Warn(place, "the whitelist is empty: nobody may use " + Quoted(name));
  CheckSteamIds(run, place, list);
}

void CheckUseLimits(CheckRun& run, const std::string& at, const UseLimits& limits, const std::string& name) {
  if (limits.cooldownMs == 0 && !limits.uses) return;
  if (!FeatureOnInFile(run, kCooldownsFeature))
    run.Warn(at + (limits.cooldownMs > 0 ? "/cooldown" : "/uses"),
             FeatureNotEnabled(kCooldownsFeature) + ": no cooldown or use limit is kept",
             EnableFeatureHint(kCooldownsFeature));
  else if (limits.uses && *limits.uses == 0)
    run.Warn(at + "/uses", "\"uses\" is 0: nobody may ever use " + Quoted(name));
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

// `text` is what a player types for the command, or its key when nothing reaches it.
void CheckCatalogue(CheckRun& run, const CommandRow& row, const std::string& at, const json& catalogue,
                    const std::string& text) {
  const std::string member = at + PointerToken(row.catalogue.member);
  if (!catalogue.is_object()) {
    run.Warn(member, Quoted(row.catalogue.member) + " is not an object: every name is answered " +
                         Quoted(kTemplateMissingReply));
    return;
  }
  for (const auto& [name, value] : catalogue.items()) {
    const std::string base = member + PointerToken(name);
    if (const std::optional<std::string> why = Unreachable(name))
      run.Add("warning", base, "the name " + (name.empty() ? "" : Quoted(name) + " ") + *why + ": no line can name it",
              "", true);
    // The command's own read stage names every fault; what it read is looked
    // at further, when it read without one, by the checks that know its kind.
    TemplateFaults faults;
    const CatalogueRecord read = ReadCatalogueRecord(row.catalogue.kind, value, &faults);
    if (faults.empty()) {
      if (const auto* kit = std::get_if<ItemKit>(&read)) CheckKit(run, base, value, *kit);
      if (const auto* creature = std::get_if<CreatureTemplate>(&read)) CheckCreature(run, base, value, *creature);
      if (const auto* location = std::get_if<TeleportLocation>(&read)) CheckLocation(run, base, *location);
    }
    CheckEntryWhitelist(run, base, value, name);
    CheckUseLimits(run, base, ReadUseLimits(value, &faults), name);
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
      run.Error(base + fault.pointer, fault.pointer.empty() ? subject + fault.reason : fault.reason, hint);
  }
}

void CheckCommand(CheckRun& run, const CommandRow& row, SeenTexts& seen) {
  const std::string at = "/Commands" + PointerToken(row.key);
  const json& entry = *run.ValueAt(at);
  // A fault of the entry itself is named by load; the rest of it is checked all the same.
  const std::optional<CommandSettings> settings = ReadCommand(run, row.key);
  CheckOthers(run, at, entry, settings);
  if (settings) {
    CheckRegistration(run, row, at, entry, *settings, seen);
    CheckPermissions(run, at, entry, *settings);
    if (row.key == std::string(kSaveLocationKey)) CheckSaveLocation(run, at, *settings);
  }
  if (!entry.is_object()) return;
  if (entry.contains("Whitelist")) CheckSteamIds(run, at + "/Whitelist", entry["Whitelist"]);
  if (!row.HasCatalogue() || !entry.contains(row.catalogue.member)) return;
  std::string text = row.key;
  if (settings ? Registers(&*settings) : entry.contains("Command") && entry["Command"].is_string())
    text = settings ? settings->command : entry["Command"].get<std::string>();
  if (text.empty()) text = row.key;
  CheckCatalogue(run, row, at, entry[row.catalogue.member], text);
}

}  // namespace

void CheckCommands(CheckRun& run) {
  if (!run.config.is_object() || !run.config.contains("Commands") || !run.config["Commands"].is_object()) return;
  SeenTexts seen;
  for (const CommandRow& row : kCommandRows)
    if (run.config["Commands"].contains(row.key)) CheckCommand(run, row, seen);
}

}  // namespace check
