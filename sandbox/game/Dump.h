// The world as JSON for the sandbox's dump command and for tests: the players
// with their inventories, the creatures with every field the plugin sets, and
// the other actors; or one part of it.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace sim {

nlohmann::json DumpWorld();

// The sandbox command `dump [WHAT]`; returns what to print.
std::string DumpCommand(const std::string& arguments);

// `dump WHAT`: "players" or "creatures" keep that member of the world's dump,
// any other word the dump of the player of that name; null when there is none.
nlohmann::json DumpPart(const std::string& what);

}  // namespace sim
