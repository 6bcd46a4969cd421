// The pure values of creature spawning, which the read stage, the config checker
// and the sandbox share: the defaults of a creature template and the saddle's
// armor stat. Host-free: nothing here needs the engine's types or the game.
#pragma once

#include <cstdint>

// A template without "saddleArmor": the saddle's armor as written there.
inline constexpr float kDefaultSaddleArmor = 25.0f;
// A template without "radius": the circle the group is placed on, in game units.
inline constexpr float kDefaultGroupRadius = 1000.0f;
// Every creature of a group spawns this high above the player.
inline constexpr float kSpawnHeight = 300.0f;

// The saddle's armor entry: floor((armor - 25) / 5 * 1000) in double precision,
// kept to its low 16 bits (two's complement), so 25 gives 0, 30 gives 1000 and
// 20 gives the 16-bit form of -1000. Values beyond the integer range wrap the
// same way; an infinite one gives 0.
uint16_t SaddleArmorStatValue(float armor);

// The entry `armor` would have without the floor and the 16 bits: what
// SaddleArmorStatValue stores when the armor is kept as written.
double ExactSaddleArmorStatValue(float armor);

// The armor a saddle's entry stands for, its 16 bits read as signed.
double SaddleArmorOfStatValue(uint16_t value);
