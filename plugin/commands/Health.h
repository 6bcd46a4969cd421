// The health survey: the creatures of the caller's team within 5000 units of the
// caller (horizontally), grouped by name tag, two text lines per group. It only
// reads the game world and keeps nothing from one call to the next.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "orvanel/host/Engine.h"

// The survey's reach in game units: a creature counts when its horizontal
// distance from the caller is strictly below it.
inline constexpr float kSurveyRadius = 5000.0f;

// One creature's health: element 0 of its status component's maximum and current values.
struct HealthReading {
  float maximum;
  float current;
};

// For each name tag, in byte order, a summary line ("Rex (2): 50, 100") and a
// totals line ("Remaining: 75%, Diff: -500", or empty when the maxima sum to
// nothing). Empty when there is no world, controller or controlled character.
// `surveyed`, when given, is set to the number of creatures the lines count.
std::vector<std::string> SurveyCreatureHealth(APlayerController* player, int64_t* surveyed = nullptr);
