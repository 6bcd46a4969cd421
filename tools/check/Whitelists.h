// The lists of Steam ids in a config: a command's and an entry's "Whitelist", and
// "Others" in its list form, each read as the plugin reads a whitelist; a fault
// is placed at the element at fault, and an id that names no player is named.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "tools/check/CheckRun.h"

namespace check {

// What is wrong with a list of Steam ids: `place` after the list's own pointer
// ("" for the list, "/2" for its third element) and the reason in plain words.
struct ListFault {
  std::string place;
  std::string reason;
};

// The fault of `list` read as the plugin reads a whitelist, or nothing: a value
// that read cannot take as a list is "not a list", an element that is no number
// is named at its place.
std::optional<ListFault> SteamIdListFault(const nlohmann::json& list);

// Warns of each id of the list at `at` that is read as another id than written
// or is below 1, which no player has.
void CheckSteamIds(CheckRun& run, const std::string& at, const nlohmann::json& list);

// `config` with "Others" taken out of every command entry, for the plugin's
// settings reads: the checker judges "Others" itself, true, false or a list of
// Steam ids (see CheckCommands), so that a fault there is named once, at its
// place, and the plugin's read, which stops at its first fault, goes on to the rest.
nlohmann::json PluginReadable(nlohmann::json config);

}  // namespace check
