// How often and how soon a player may use one kit, group or location: the
// entry's "cooldown" and "uses", read and judged by pure functions of the entry,
// the player's record and the wall clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "orvanel/core/Groups.h"
#include "orvanel/core/Settings.h"
#include "orvanel/core/TemplateReading.h"
#include "orvanel/core/UseStore.h"

// The longest cooldown: some thirty years, far inside the milliseconds a
// 64-bit count holds. "uses" limits a player for good.
inline constexpr double kMaxCooldownSeconds = 1e9;

// "cooldown" in seconds, a number from 0 to kMaxCooldownSeconds (fractions kept
// to the millisecond, rounded up), and "uses", a whole number of 0 or more.
// Throws TemplateReadError at the first member that is neither, or, given
// `faults`, lists each there and reads it as absent, as the read stages do.
UseLimits ReadUseLimits(const nlohmann::json& entry, TemplateFaults* faults = nullptr);

// An entry's "Limits": per group name, the limits of its members, each read
// as ReadUseLimits reads the entry's own (a limit left out is no limit).
using GroupLimits = std::vector<std::pair<std::string, UseLimits>>;

// "Limits", an object of group names, each an object of "cooldown" and "uses".
// Faults as ReadUseLimits, placed at "/Limits/<group>/..."; a group's faulty
// limits are read as absent.
GroupLimits ReadGroupLimits(const nlohmann::json& entry, TemplateFaults* faults = nullptr);

// The limits that hold `steam_id`: for a member of some of `byGroup`'s groups,
// the most generous of theirs (the shortest cooldown, the most uses, no limit
// beating any); for everyone else, `own`.
UseLimits UseLimitsFor(const UseLimits& own, const GroupLimits& byGroup, const GroupTable& groups, uint64_t steam_id);

// The limits that hold the use `key` as `settings` give them: its entry's,
// chosen by group for its player (UseLimitsFor); none when the config has no
// such entry. Throws TemplateReadError when they fail to read.
std::optional<UseLimits> LimitsOfUse(const Settings& settings, const UseKey& key);

// A record dated after `nowMs` (the clock went back, or another machine's ran
// ahead) counts as a use at `nowMs`: the wait is the whole cooldown, never more.
// The store dates such a record `nowMs` when it first judges it, so that the
// wait then runs down.
UseVerdict JudgeUse(const UseLimits& limits, const std::optional<UseRecord>& record, int64_t nowMs);

// A wait in words, never shorter than it is: "12 s", "4 min 10 s", "1 h 5 min",
// "3 d 4 h"; each in whole units of its last part, rounded up.
std::string WaitText(int64_t waitMs);

// The wait as WaitText words it, in milliseconds: the moment it names is
// `nowMs` plus this, never before the wait ends.
int64_t ShownWaitMs(int64_t waitMs);
