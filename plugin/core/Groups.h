// Named groups of Steam ids under "Features" "Permissions" "Groups", each with
// its "Members" and the groups it "Inherits", resolved once by a pure function
// of the entry; and the one answer to "is this Steam id in this whitelist".
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

// A group as written and as resolved: a member of a group is a member of every
// group it inherits, transitively, so `everyone` holds the members of the
// group and of every group that inherits it, and `heirs` those groups.
struct Group {
  std::vector<uint64_t> members;
  std::vector<std::string> inherits;
  std::set<uint64_t> everyone;
  std::set<std::string, std::less<>> heirs;
};

using GroupTable = std::map<std::string, Group, std::less<>>;

// A whitelist as a command, an entry, "Others" or "Exempt" writes it: Steam
// ids (read as signed numbers, an id matching the entry of the same 64 bits)
// and group names.
struct Whitelist {
  std::vector<int64_t> ids;
  std::vector<std::string> groups;

  bool Empty() const { return ids.empty() && groups.empty(); }
};

// The "Groups" of a Permissions entry, resolved. Throws the JSON library's type
// error, placed from the entry ("(/Groups/admins/Inherits/0) ..."), for a group
// that is no object, a member that is not a Steam id (a whole number from 1
// up), a group named by digits alone (it would read as a Steam id in a
// whitelist), an inherited group that no group defines, and a cycle.
GroupTable ReadGroups(const nlohmann::json& permissions);

// True when `steam_id` is a member of `group`, directly or by inheritance; a
// group the table lacks has no members.
bool InGroup(const GroupTable& groups, std::string_view group, uint64_t steam_id);

// True when `steam_id` is in `whitelist`: one of its ids, or a member of one of
// its groups. Every whitelist is judged here.
bool IsWhitelisted(const Whitelist& whitelist, const GroupTable& groups, uint64_t steam_id);

// True when a text of a whitelist is a Steam id in quotes rather than a group's name.
bool IsDigitsOnly(std::string_view text);
