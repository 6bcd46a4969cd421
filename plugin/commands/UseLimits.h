// How often and how soon a player may use one kit, group or location: the
// entry's "cooldown" and "uses", read and judged by pure functions of the entry,
// the player's record and the wall clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "orvanel/commands/TemplateReading.h"
#include "orvanel/core/UseStore.h"

// The longest cooldown: some thirty years, far inside the milliseconds a
// 64-bit count holds. "uses" limits a player for good.
inline constexpr double kMaxCooldownSeconds = 1e9;

// "cooldown" in seconds, a number from 0 to kMaxCooldownSeconds (fractions kept
// to the millisecond, rounded up), and "uses", a whole number of 0 or more.
// Throws TemplateReadError at the first member that is neither, or, given
// `faults`, lists each there and reads it as absent, as the read stages do.
UseLimits ReadUseLimits(const nlohmann::json& entry, TemplateFaults* faults = nullptr);

// A clock that went backwards since the last use counts as no time passed, so
// that no wait is ever longer than the cooldown.
UseVerdict JudgeUse(const UseLimits& limits, const std::optional<UseRecord>& record, int64_t nowMs);

// A wait in words, never shorter than it is: "12 s", "4 min 10 s", "1 h 5 min".
std::string WaitText(int64_t waitMs);
