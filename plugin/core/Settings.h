// Per-command and per-feature settings, read from the configuration document
// by pure functions: load reads every entry into fresh tables; a reload takes
// only the whitelists and entry copies, and nothing when any entry fails to read.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "orvanel/core/Groups.h"
#include "orvanel/core/StoreSettings.h"

// The features, by their keys under "Features".
inline constexpr const char* kPermissionsFeature = "Permissions";
inline constexpr const char* kAuditLogFeature = "AuditLog";
inline constexpr const char* kFeedbackFeature = "Feedback";
inline constexpr const char* kCooldownsFeature = "Cooldowns";

// How many day files of the audit lines are kept when "Days" is not given.
inline constexpr int64_t kAuditDaysKept = 30;

// NOLINTNEXTLINE(bugprone-exception-escape): its implicit moves are noexcept, as the JSON value's are.
struct CommandSettings {
  // The text players type, as the file spells it.
  std::string command;
  bool enabled = true;
  bool permissions = false;
  // "Others": a catalogue command may name a second player to act on; with a
  // list, only the Steam ids in it may.
  bool others = false;
  std::optional<Whitelist> othersWhitelist;
  Whitelist whitelist;
  nlohmann::json entry;
};

// NOLINTNEXTLINE(bugprone-exception-escape): as for CommandSettings.
struct FeatureSettings {
  bool enabled = false;
  // AuditLog only: the file the audit lines go to as well, relative to the
  // plugin's folder (empty: none), and how many of its day files are kept.
  std::string file;
  int64_t days = kAuditDaysKept;
  // Permissions only: the named groups, resolved.
  GroupTable groups;
  // Cooldowns only: who no cooldown or use limit holds back ("Exempt").
  Whitelist exempt;
  // Cooldowns only: the database the cluster shares its uses through.
  std::optional<StoreSettings> store;
  nlohmann::json entry;
};

using CommandSettingsTable = std::map<std::string, CommandSettings, std::less<>>;
using FeatureSettingsTable = std::map<std::string, FeatureSettings, std::less<>>;

// NOLINTNEXTLINE(bugprone-exception-escape): as for CommandSettings.
struct Settings {
  CommandSettingsTable commands;
  FeatureSettingsTable features;

  // The record of command `key`, or null.
  const CommandSettings* Command(std::string_view key) const;
  // True when the "Features" entry `name` said "Enabled": true.
  bool FeatureEnabled(std::string_view name) const;
  // The groups of the Permissions entry (none without one), whether or not
  // the feature is on: a whitelist that names them is judged by them.
  const GroupTable& Groups() const;
  // True when the Cooldowns entry's "Exempt" holds `steam_id`.
  bool Exempt(uint64_t steam_id) const;
};

CommandSettings ParseCommandSettings(nlohmann::json entry);

// True when a load registers the command of `settings`: it has an entry, is
// enabled and has a "Command" text.
bool Registers(const CommandSettings* settings);

// The "Whitelist" of a kit, group or location: the Steam ids and groups that
// alone may use it, read as a command's whitelist is; none when the entry has
// no whitelist. Throws the JSON library's type error when it is no list of
// numbers and group names (a text of digits alone is a Steam id in quotes).
std::optional<Whitelist> ReadEntryWhitelist(const nlohmann::json& entry);

// The entry of the feature `name`: "Enabled", for AuditLog "File" (a
// non-empty string) and "Days" (a whole number of 1 or more), for Permissions
// "Groups" (ReadGroups) and for Cooldowns "Exempt" (a whitelist).
FeatureSettings ParseFeatureSettings(std::string_view name, nlohmann::json entry);

// Every "Commands" and "Features" entry, as load reads them. Throws the JSON
// library's error, its place made one from the file's root, on the first entry
// that fails to read, on a section that is not an object (null and an empty list
// hold no entries) and on a configuration that is not an object.
Settings ReadSettings(const nlohmann::json& configuration);

// What `fresh` changes that a reload does not apply, one piece a change, for the
// commands of the command table and the features: a command entry new to the
// file or gone from it ("Ping_Console (new entry)", "(entry removed)"), its
// "Command", "Enabled" or "Permissions" (`TeleportTo_Console "Permissions"`),
// and a feature's switch and AuditLog's file (`Features "AuditLog" "Enabled"
// "File" "Days"`). Empty when a reload applies everything.
std::vector<std::string> UnappliedChanges(const Settings& loaded, const Settings& fresh);

// What a reload makes of `fresh` (read by ReadSettings) after `loaded`: the
// whitelists, "Others" and entry copies of the records `loaded` has. Commands'
// texts, switches and "Permissions", and the features' switches and files stay
// as loaded.
Settings RefreshedSettings(const Settings& loaded, Settings fresh);
void RefreshSettings(Settings& loaded, Settings fresh);
