// The wall clock as the game server tells it, through the game's own clock
// reached by name: cooldowns span restarts, so they count in
// real time, and a stand-in game can move it.
#pragma once

#include <cstdint>

// Ticks of FDateTime at 1970-01-01 00:00 UTC.
inline constexpr int64_t kUnixEpochTicks = 621355968000000000;

// Milliseconds since 1970-01-01 UTC; throws UnavailableMember when the game
// offers no clock.
int64_t WallClockMs();
