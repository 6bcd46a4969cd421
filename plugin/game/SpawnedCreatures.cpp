#include "orvanel/game/SpawnedCreatures.h"

#include <deque>
#include <utility>

namespace {

struct SpawnedGroup {
  uint64_t steamId = 0;
  std::vector<SpawnedCreature> creatures;
};

// Every caller's groups, oldest first, and how many creatures they hold.
struct SpawnMemory {
  std::deque<SpawnedGroup> groups;
  std::size_t creatures = 0;
};

SpawnMemory& Spawns() {
  static SpawnMemory memory;
  return memory;
}

}  // namespace

void RememberSpawnedGroup(uint64_t steam_id, std::vector<SpawnedCreature> group) {
  SpawnMemory& memory = Spawns();
  memory.creatures += group.size();
  memory.groups.push_back({steam_id, std::move(group)});
  while (memory.creatures > kRememberedCreatures || memory.groups.size() > kRememberedCreatures) {
    memory.creatures -= memory.groups.front().creatures.size();
    memory.groups.pop_front();
  }
}

std::vector<SpawnedCreature> SpawnedBy(uint64_t steam_id, bool all) {
  std::vector<SpawnedCreature> found;
  const SpawnMemory& memory = Spawns();
  // Latest first.
  for (std::size_t at = memory.groups.size(); at-- > 0;) {
    const SpawnedGroup& group = memory.groups[at];
    if (group.steamId != steam_id) continue;
    found.insert(found.end(), group.creatures.begin(), group.creatures.end());
    if (!all) break;
  }
  return found;
}

void ForgetSpawnedBy(uint64_t steam_id, bool all) {
  SpawnMemory& memory = Spawns();
  if (all) {
    std::erase_if(memory.groups, [&memory, steam_id](const SpawnedGroup& group) {
      if (group.steamId != steam_id) return false;
      memory.creatures -= group.creatures.size();
      return true;
    });
    return;
  }
  for (std::size_t at = memory.groups.size(); at-- > 0;) {
    SpawnedGroup& group = memory.groups[at];
    if (group.steamId != steam_id) continue;
    memory.creatures -= group.creatures.size();
    group.creatures.clear();
    return;
  }
}

void ForgetSpawnedCreatures() { Spawns() = SpawnMemory{}; }
