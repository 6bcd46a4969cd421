#include "orvanel/core/Settings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string_view>

#include "orvanel/core/CommandTable.h"
#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/KeyReads.h"

using nlohmann::json;

namespace {

int64_t ReadWhitelistId(const json& element) {
  if (!element.is_number())
    throw json::type_error::create(302, "type must be number, but is " + std::string(element.type_name()), &element);
  if (!element.is_number_float()) return element.get<int64_t>();
  // Truncated toward zero; values beyond the 64-bit range are clamped rather
  // than left to an undefined conversion.
  const double value = element.get<double>();
  if (std::isnan(value)) return 0;
  if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  if (value >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(value);
}

// A "File" names a file: any string but the empty one.
std::string ReadAuditFile(const json& value) {
  std::string file = value.get<std::string>();
  if (file.empty()) throw json::type_error::create(302, "must name a file, not be empty", &value);
  return file;
}

// "Days" counts files: a whole number of 1 or more, as the schema's integer
// (2.0 as well).
int64_t ReadAuditDays(const json& value) {
  if (!value.is_number())
    throw json::type_error::create(302, "type must be number, but is " + std::string(value.type_name()), &value);
  const double days = value.get<double>();
  if (!(days >= 1) || std::trunc(days) != days)
    throw json::type_error::create(302, "must be a whole number of 1 or more", &value);
  // Beyond any count of files there can be: read as the largest count.
  return days < 0x1p62 ? static_cast<int64_t>(days) : int64_t{1} << 62;
}

// The type error `error` of a value read from the entry at `place`, its pointer
// made one from the file's root: "(/Enabled) type must..." of the library's
// diagnostics, or a reason without one, becomes "(/Commands/<key>/Enabled) ...".
json::type_error PlacedTypeError(const json::type_error& error, const std::string& place) {
  std::string reason(WithoutJsonErrorId(error.what()));
  if (reason.starts_with("(/"))
    reason.insert(1, place);
  else
    reason = "(" + place + ") " + reason;
  return json::type_error::create(error.id, reason, nullptr);
}

// Visits the members of `section` (a "Commands" or "Features" value) in the
// library's key order: each value is parsed before its key is taken. A section
// that is no object has no keys to take: refused, unless it is null or an empty
// list, which visit nothing.
template <typename Visit>
void VisitSection(const json& configuration, const char* section, Visit visit) {
  if (!configuration.is_object() || !configuration.contains(NoteKeyRead("", section))) return;
  const json& members = configuration[section];
  if (!members.is_object() && !members.empty())
    throw json::type_error::create(302, "type must be object, but is " + std::string(members.type_name()), &members);
  for (auto member = members.begin(); member != members.end(); ++member) {
    try {
      visit(member);
    } catch (const json::type_error& error) {
      const std::string key = members.is_object() ? (json::json_pointer() / member.key()).to_string() : "";
      throw PlacedTypeError(error, std::string("/") + section + key);
    }
  }
}

}  // namespace

namespace {

// A list of Steam ids and group names; a text is no list of them, though the
// library would walk it as its one element (a lone number still reads as a
// list of one). A text of digits alone is a Steam id in quotes, refused as the
// number it should be.
Whitelist ReadWhitelist(const json& list) {
  if (list.is_string())
    throw json::type_error::create(302, "type must be array, but is " + std::string(list.type_name()), &list);
  Whitelist whitelist;
  for (const json& element : list)
    if (element.is_string() && !IsDigitsOnly(element.get_ref<const std::string&>()))
      whitelist.groups.push_back(element.get<std::string>());
    else
      whitelist.ids.push_back(ReadWhitelistId(element));
  return whitelist;
}

}  // namespace

std::optional<Whitelist> ReadEntryWhitelist(const json& entry) {
  if (!entry.is_object() || !entry.contains(NoteKeyRead("", "Whitelist"))) return std::nullopt;
  return ReadWhitelist(entry["Whitelist"]);
}

CommandSettings ParseCommandSettings(json entry) {
  CommandSettings settings;
  settings.whitelist = ReadEntryWhitelist(entry).value_or(Whitelist{});
  settings.entry = entry;
  settings.command = entry.value(NoteKeyRead("", "Command"), std::string());
  settings.permissions = entry.value(NoteKeyRead("", "Permissions"), false);
  // Only the catalogue commands' entries list "Others"; noted only where present.
  // "Others" is true, or the list of Steam ids who may act on others.
  if (entry.is_object() && entry.contains("Others")) {
    const json& others = entry[NoteKeyRead("", "Others")];
    if (others.is_array()) {
      settings.others = true;
      settings.othersWhitelist = ReadWhitelist(others);
    } else {
      settings.others = others.get<bool>();
    }
  }
  settings.enabled = entry.value(NoteKeyRead("", "Enabled"), true);
  return settings;
}

FeatureSettings ParseFeatureSettings(std::string_view name, json entry) {
  FeatureSettings settings;
  settings.enabled = entry.value(NoteKeyRead("", "Enabled"), false);
  if (name == kAuditLogFeature) {
    if (entry.contains(NoteKeyRead("", "File"))) settings.file = ReadAuditFile(entry["File"]);
    if (entry.contains(NoteKeyRead("", "Days"))) settings.days = ReadAuditDays(entry["Days"]);
  }
  if (name == kPermissionsFeature) settings.groups = ReadGroups(entry);
  if (name == kCooldownsFeature && entry.contains(NoteKeyRead("", "Exempt")))
    settings.exempt = ReadWhitelist(entry["Exempt"]);
  if (name == kCooldownsFeature) settings.store = ReadStoreSettings(entry);
  settings.entry = entry;
  return settings;
}

Settings ReadSettings(const json& configuration) {
  if (!configuration.is_object())
    throw json::type_error::create(302,
                                   "the file must be " + PlainTypeWords("object") + " with \"Commands\", not " +
                                       PlainTypeWords(configuration.type_name()),
                                   &configuration);
  Settings read;
  VisitSection(configuration, "Commands", [&](json::const_iterator member) {
    CommandSettings settings = ParseCommandSettings(*member);
    read.commands[member.key()] = std::move(settings);
  });
  VisitSection(configuration, "Features", [&](json::const_iterator member) {
    FeatureSettings settings = ParseFeatureSettings(member.key(), *member);
    read.features[member.key()] = std::move(settings);
  });
  return read;
}

Settings RefreshedSettings(const Settings& loaded, Settings fresh) {
  // Built from the fresh records, so that their entries move rather than copy:
  // what a reload does not apply is taken back from the loaded record, and a
  // record the file no longer has stays as loaded.
  Settings refreshed;
  for (const auto& [key, was] : loaded.commands) {
    const auto parsed = fresh.commands.find(key);
    if (parsed == fresh.commands.end()) {
      refreshed.commands.emplace(key, was);
      continue;
    }
    CommandSettings record = std::move(parsed->second);
    record.command = was.command;
    record.enabled = was.enabled;
    record.permissions = was.permissions;
    refreshed.commands.emplace(key, std::move(record));
  }
  for (const auto& [name, was] : loaded.features) {
    const auto parsed = fresh.features.find(name);
    FeatureSettings record = was;
    if (parsed != fresh.features.end()) {
      record.groups = std::move(parsed->second.groups);
      record.exempt = std::move(parsed->second.exempt);
      record.entry = std::move(parsed->second.entry);
    }
    refreshed.features.emplace(name, std::move(record));
  }
  // Groups new to the file apply at once, whatever the feature's switch was at load.
  const auto permissions = fresh.features.find(kPermissionsFeature);
  if (permissions != fresh.features.end() && !refreshed.features.contains(kPermissionsFeature)) {
    FeatureSettings record;
    record.groups = std::move(permissions->second.groups);
    refreshed.features.emplace(kPermissionsFeature, std::move(record));
  }
  return refreshed;
}

void RefreshSettings(Settings& loaded, Settings fresh) { loaded = RefreshedSettings(loaded, std::move(fresh)); }

bool Registers(const CommandSettings* settings) {
  return settings != nullptr && settings->enabled && !settings->command.empty();
}

const CommandSettings* Settings::Command(std::string_view key) const {
  const auto found = commands.find(key);
  return found == commands.end() ? nullptr : &found->second;
}

bool Settings::FeatureEnabled(std::string_view name) const {
  const auto found = features.find(name);
  return found != features.end() && found->second.enabled;
}

const GroupTable& Settings::Groups() const {
  static const GroupTable kNone;
  const auto found = features.find(kPermissionsFeature);
  return found == features.end() ? kNone : found->second.groups;
}

bool Settings::Exempt(uint64_t steam_id) const {
  const auto found = features.find(kCooldownsFeature);
  return found != features.end() && found->second.enabled && IsWhitelisted(found->second.exempt, Groups(), steam_id);
}

std::vector<std::string> UnappliedChanges(const Settings& loaded, const Settings& fresh) {
  std::vector<std::string> changes;
  for (const CommandRow& row : kCommandRows) {
    const CommandSettings* was = loaded.Command(row.key);
    const CommandSettings* now = fresh.Command(row.key);
    // A command that registers neither before nor after is not changed by a load.
    if (!Registers(was) && !Registers(now)) continue;
    if (was == nullptr || now == nullptr) {
      changes.push_back(std::string(row.key) + (was == nullptr ? " (new entry)" : " (entry removed)"));
      continue;
    }
    std::string members;
    if (was->command != now->command) members += " \"Command\"";
    if (was->enabled != now->enabled) members += " \"Enabled\"";
    if (was->permissions != now->permissions) members += " \"Permissions\"";
    if (!members.empty()) changes.push_back(row.key + members);
  }
  std::set<std::string_view> features;
  for (const auto& [name, unused] : loaded.features) features.insert(name);
  for (const auto& [name, unused] : fresh.features) features.insert(name);
  // An entry absent from one side counts as its defaults.
  const auto record = [](const Settings& settings, std::string_view name) {
    const auto found = settings.features.find(name);
    return found == settings.features.end() ? FeatureSettings() : found->second;
  };
  for (const std::string_view name : features) {
    const FeatureSettings was = record(loaded, name);
    const FeatureSettings now = record(fresh, name);
    std::string members;
    if (was.enabled != now.enabled) members += " \"Enabled\"";
    if (was.file != now.file) members += " \"File\"";
    if (was.days != now.days) members += " \"Days\"";
    if (!members.empty()) changes.push_back("Features " + nlohmann::json(name).dump() + members);
  }
  return changes;
}
