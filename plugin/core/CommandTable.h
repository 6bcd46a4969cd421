// The plugin's commands, one row each, in registration order: key, chat or
// console, handler, catalogue and the words for its results. Registration,
// the features, the config checker, the sandbox and the tests iterate this one
// table. Host-free: only the plugin binds the handler column (commands/Commands.h).
#pragma once

#include <cstddef>
#include <string_view>

#include "orvanel/core/TemplateReading.h"

enum class CommandKind { Chat, Console };

// Where a command's entry keeps the names a line picks from: the member
// ("Templates", "Locations"), what a list of its names is called, and the kind
// of its elements, which names the read stage of one (commands/TemplateReading.h)
// whose faults make the command answer "Failed to read template...".
struct CatalogueColumn {
  const char* member;
  const char* label;
  CatalogueKind kind;
};

// What the audit line and the feedback call what a run did: the audit's verb,
// the feedback's (none: no feedback line), the noun of what is counted (none:
// nothing is counted), the audit's word for a run that failed, and the
// feedback's pattern for it, "{}" the reason (none: no feedback line). For a
// run on another player ("Others"): the feedback's pattern, {0} what was done
// (the count, or the entry's name), {1} the player, {2} what loaded nothing;
// and what that player is told, {0} the caller, {1} the entry's name.
struct ResultWords {
  const char* audit;
  const char* feedback;
  const char* noun;
  const char* failed;
  const char* failedFeedback;
  const char* feedbackOnOther = nullptr;
  const char* toldOther = nullptr;
};

// Where the player a command is for must be: InTheWorld for a command that
// gives to, spawns around, moves or reads the place of their character, which a
// player between characters (dead, or not yet spawned) lacks.
enum class Presence { Anywhere, InTheWorld };

// The table. A row: KEY, SAMPLE (a line that runs the command, as the tests
// type it: their configs give each command the text of its first word), KIND,
// HANDLER, CATALOGUE (a CatalogueColumn or kNoCatalogue), PRESENCE, WORDS.
// Unload removes in the same order.
// clang-format off
#define ORVANEL_COMMAND_ROWS(ROW)                                                                          \
  ROW("Health_Chat", "/health", Chat, HealthChatCommand, kNoCatalogue, Anywhere,                           \
      (ResultWords{"surveyed", nullptr, "creature", "failed", nullptr}))                                   \
  ROW("ReloadConfig_Console", "reload", Console, ReloadConfigCommand, kNoCatalogue, Anywhere,              \
      (ResultWords{"reloaded", nullptr, nullptr, "reload failed",                                          \
                   "Reload failed: {}. The previous configuration stays."}))                               \
  ROW("Health_Console", "health", Console, HealthConsoleCommand, kNoCatalogue, Anywhere,                   \
      (ResultWords{"surveyed", nullptr, "creature", "failed", nullptr}))                                   \
  ROW("ItemTemplate_Console", "kit builder", Console, ItemTemplateCommand,                                 \
      (CatalogueColumn{"Templates", "Kits", CatalogueKind::ItemKits}), InTheWorld,                         \
      (ResultWords{"gave", "Gave", "item", "failed", nullptr,                                              \
                   "Gave {0} to {1}{2}.", "{0} gave you the kit {1}."}))                                   \
  ROW("SpawnTemplate_Console", "spawn raptors", Console, SpawnTemplateCommand,                             \
      (CatalogueColumn{"Templates", "Groups", CatalogueKind::CreatureTemplates}), InTheWorld,              \
      (ResultWords{"spawned", "Spawned", "creature", "failed", nullptr,                                    \
                   "Spawned {0} around {1}{2}.", "{0} spawned {1} around you."}))                          \
  ROW("Back_Console", "back", Console, BackCommand, kNoCatalogue, InTheWorld,                              \
      (ResultWords{"moved to", nullptr, nullptr, "failed", nullptr}))                                      \
  ROW("TeleportTo_Console", "tp Camp", Console, TeleportToCommand,                                         \
      (CatalogueColumn{"Locations", "Locations", CatalogueKind::TeleportLocations}), InTheWorld,           \
      (ResultWords{"moved to", "Teleported to", nullptr, "failed", nullptr,                                \
                   "Moved {1} to {0}.", "{0} moved you to {1}."}))                                         \
  ROW("SaveLocation_Console", "savelocation Here", Console, SaveLocationCommand, kNoCatalogue, InTheWorld, \
      (ResultWords{"saved", nullptr, nullptr, "failed", nullptr}))                                         \
  ROW("Despawn_Console", "despawn all", Console, DespawnCommand, kNoCatalogue, Anywhere,                   \
      (ResultWords{"removed", nullptr, "creature", "failed", nullptr}))                                    \
  ROW("Uses_Console", "uses Alice", Console, UsesCommand, kNoCatalogue, Anywhere,                          \
      (ResultWords{"done", nullptr, nullptr, "failed", nullptr}))                                          \
  ROW("Group_Console", "group moderators", Console, GroupCommand, kNoCatalogue, Anywhere,                 \
      (ResultWords{"done", nullptr, nullptr, "failed", nullptr}))
// clang-format on

inline constexpr CatalogueColumn kNoCatalogue{nullptr, nullptr, CatalogueKind::None};

// One row without its handler: what every reader of the table but the plugin needs.
struct CommandRow {
  const char* key;
  const char* sample;
  CommandKind kind;
  CatalogueColumn catalogue;
  Presence presence;
  ResultWords words;

  bool HasCatalogue() const { return catalogue.member != nullptr; }
};

#define ORVANEL_COMMAND_ROW(KEY, SAMPLE, KIND, HANDLER, CATALOGUE, PRESENCE, WORDS) \
  CommandRow{KEY, SAMPLE, CommandKind::KIND, CATALOGUE, Presence::PRESENCE, WORDS},
inline constexpr CommandRow kCommandRows[] = {ORVANEL_COMMAND_ROWS(ORVANEL_COMMAND_ROW)};
#undef ORVANEL_COMMAND_ROW

inline constexpr std::size_t kCommandCount = std::size(kCommandRows);

// The row of `key`, or null.
constexpr const CommandRow* FindCommandRow(std::string_view key) {
  for (const CommandRow& row : kCommandRows)
    if (key == row.key) return &row;
  return nullptr;
}
