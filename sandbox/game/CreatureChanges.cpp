#include "sandbox/game/CreatureChanges.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

#include <fmt/format.h>

#include "sandbox/game/Show.h"
#include "sandbox/game/World.h"

namespace sim {

Creature* FindCreatureByText(const std::string& text) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return nullptr;
  char* end = nullptr;
  const unsigned long long id = std::strtoull(text.c_str(), &end, 10);
  if (*end != '\0') return nullptr;
  return FindCreature(id);
}

void RemoveFromWorld(Creature& creature) {
  creature.destroyed = true;
  creature.TamerString = FString();
  std::erase(GetWorld().creatures, &creature);
}

std::string CreatureChangeCommand(const std::string& verb, const std::string& arguments) {
  const bool retame = verb == "retame";
  const std::size_t space = arguments.find(' ');
  const std::string id = arguments.substr(0, space);
  const std::string team = space == std::string::npos ? std::string() : arguments.substr(space + 1);
  if (id.empty() || (retame ? team.empty() : space != std::string::npos))
    return "Usage: " + verb + (retame ? " ID TEAM\n" : " ID\n");
  Creature* creature = FindCreatureByText(id);
  if (creature == nullptr) return "There is no creature with the id \"" + id + "\".\n";
  if (verb == "slay") {
    // Health is the first status value; a creature without a status component has none to lose.
    if (creature->status == nullptr) return fmt::format("Creature {} has no status component: it cannot die.\n", id);
    creature->status->CurrentStatusValues[0] = 0.0f;
    return fmt::format("Creature {} died.\n", id);
  }
  if (verb == "remove") {
    RemoveFromWorld(*creature);
    return fmt::format("Creature {} was removed from the world.\n", id);
  }
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(team.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || number < std::numeric_limits<int32_t>::min() ||
      number > std::numeric_limits<int32_t>::max())
    return "Usage: retame ID TEAM (TEAM a whole number)\n";
  creature->TargetingTeam = static_cast<int32_t>(number);
  creature->TamingTeamID = creature->TargetingTeam;
  creature->tamed = true;
  return fmt::format("Creature {} is now on team {}.\n", id, number);
}

}  // namespace sim
