// Readable views of the world for the sandbox's show command: a player with
// their inventory and the creatures near them, and one creature with every stat.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "sandbox/game/Objects.h"

namespace sim {

// Position and team, the inventory as a table, and the creatures within the
// health survey's kSurveyRadius (horizontally, nearest first) as a table.
std::string ShowPlayer(const Controller& player);
// Every field of one creature, its stats labelled, its saddle and items.
std::string ShowCreature(const Creature& creature);

Creature* FindCreature(uint64_t id);
// The creature's name tag as UTF-8, with control characters shown as "?".
std::string NameTagText(const Creature& creature);

// A yaw as the sandbox shows it, turned into [0, 360) degrees as one decimal
// reads it (so 359.97 is 0); a yaw that is not finite as it stands.
double ShownYaw(double yaw);

// "/Game/Items/Rope.Rope_C" and "Blueprint'/Game/Dino/Rex.Rex'" as "Rope" and
// "Rex"; a name without a point as it stands.
std::string ShortClassName(const std::string& name);

// The saddle armor that an item's stat entry 1 encodes: 25 units plus one per
// 200 in the entry, read as signed 16 bits.
double ArmorOf(const Item& item);

// The player's uses that cooldowns and use limits count, from the journal beside
// `config_file`, each with when its entry may be used again by the config's
// limits and the world's clock, and a line that says they are read from disk;
// empty when the player has none.
std::string ShowUses(const Controller& player, const std::filesystem::path& config_file);

// The sandbox commands `show NAME` and `show creature ID`; returns what to print.
// `config_file` is the plugin's config.json, beside which its uses are kept.
std::string ShowCommand(const std::string& arguments, const std::filesystem::path& config_file);

}  // namespace sim
