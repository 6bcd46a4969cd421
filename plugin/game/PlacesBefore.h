// Where each player stood before the teleport command last moved them, by
// Steam id, for the back command: kept while the plugin is loaded, bounded,
// taken once, dropped at unload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "orvanel/core/Outcome.h"

// The most players whose place is remembered: past it, the one moved longest
// ago is forgotten first.
inline constexpr std::size_t kRememberedPlaces = 100000;

// Notes `place` as where `steam_id` stood before their latest move.
void RememberPlaceBefore(uint64_t steam_id, Place place);

// Where `steam_id` stood before their latest move, forgotten as it is taken.
std::optional<Place> TakePlaceBefore(uint64_t steam_id);

void ForgetPlacesBefore();
