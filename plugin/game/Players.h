// The online players, found through the game's actor list as every other game
// access is, by Steam id or by name without regard to letter case. Nothing
// found outlives the call that uses it: a player may leave between commands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "orvanel/host/Engine.h"

struct FoundPlayer {
  AShooterPlayerController* controller = nullptr;
  uint64_t steamId = 0;
  std::string name;  // UTF-8, for replies and logs
};

// Every online player whose Steam id is `wanted` (all digits), or else whose
// name, narrowed as a typed line is, equals it without regard to ASCII case; in
// the order of the actor list. Of several, the one name equal to it in every
// letter alone, when there is one.
std::vector<FoundPlayer> FindOnlinePlayers(std::string_view wanted);

// The player's name as the game tells it, in UTF-8; "?" when it tells none.
std::string PlayerNameText(AShooterPlayerController* player);
