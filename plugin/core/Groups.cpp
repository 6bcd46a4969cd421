#include "orvanel/core/Groups.h"

#include <algorithm>
#include <functional>

#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/KeyReads.h"

using nlohmann::json;

namespace {

constexpr const char* kGroupsKey = "Groups";
constexpr const char* kMembersKey = "Members";
constexpr const char* kInheritsKey = "Inherits";

[[noreturn]] void Refuse(const std::string& why, const json& at) { throw json::type_error::create(302, why, &at); }

void ExpectType(const json& value, json::value_t type, const char* name) {
  if (value.type() != type) Refuse("type must be " + std::string(name) + ", but is " + value.type_name(), value);
}

uint64_t ReadMember(const json& member) {
  if (member.is_number_unsigned() && member.get<uint64_t>() > 0) return member.get<uint64_t>();
  if (member.is_number_integer() && member.get<int64_t>() > 0) return static_cast<uint64_t>(member.get<int64_t>());
  Refuse("must be a Steam id, a whole number from 1 up, not " +
             (member.is_number() ? member.dump() : PlainTypeWords(member.type_name())),
         member);
}

}  // namespace

bool IsDigitsOnly(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

GroupTable ReadGroups(const json& permissions) {
  GroupTable groups;
  if (!permissions.is_object() || !permissions.contains(NoteKeyRead("", kGroupsKey))) return groups;
  const json& written = permissions[kGroupsKey];
  ExpectType(written, json::value_t::object, "object");
  for (const auto& [name, group] : written.items()) {
    ExpectType(group, json::value_t::object, "object");
    if (IsDigitsOnly(name)) Refuse("a group's name cannot be digits alone: it would read as a Steam id", group);
    Group& read = groups[name];
    const std::string at = "/" + std::string(kGroupsKey) + "/" + name;
    if (group.contains(NoteKeyRead(at, kMembersKey))) {
      const json& members = group[kMembersKey];
      ExpectType(members, json::value_t::array, "array");
      for (const json& member : members) read.members.push_back(ReadMember(member));
    }
    if (group.contains(NoteKeyRead(at, kInheritsKey))) {
      const json& inherits = group[kInheritsKey];
      ExpectType(inherits, json::value_t::array, "array");
      for (const json& inherited : inherits) {
        ExpectType(inherited, json::value_t::string, "string");
        read.inherits.push_back(inherited.get<std::string>());
      }
    }
  }
  // Each group's inherited groups, walked depth first: a group met again on
  // the path it is reached by closes a cycle.
  for (const auto& entry : groups) {
    const std::string& name = entry.first;
    std::vector<std::string> path{name};
    const std::function<void(const Group&, const json&)> walk = [&](const Group& from, const json& written_from) {
      for (std::size_t index = 0; index < from.inherits.size(); ++index) {
        const std::string& inherited = from.inherits[index];
        const json& place = written_from[kInheritsKey][index];
        const auto found = groups.find(inherited);
        if (found == groups.end()) Refuse("inherits \"" + inherited + "\", which no group defines", place);
        if (std::find(path.begin(), path.end(), inherited) != path.end()) {
          std::string cycle = "the groups inherit in a cycle: ";
          for (const std::string& step : path) cycle.append("\"").append(step).append("\" inherits ");
          cycle.append("\"").append(inherited).append("\"");
          Refuse(cycle, place);
        }
        found->second.heirs.insert(name);
        path.push_back(inherited);
        walk(found->second, written[inherited]);
        path.pop_back();
      }
    };
    walk(entry.second, written[name]);
  }
  for (auto& [name, group] : groups) {
    group.everyone.insert(group.members.begin(), group.members.end());
    for (const std::string& heir : group.heirs) {
      const Group& other = groups.find(heir)->second;
      group.everyone.insert(other.members.begin(), other.members.end());
    }
  }
  return groups;
}

bool InGroup(const GroupTable& groups, std::string_view group, uint64_t steam_id) {
  const auto found = groups.find(group);
  return found != groups.end() && found->second.everyone.contains(steam_id);
}

bool IsWhitelisted(const Whitelist& whitelist, const GroupTable& groups, uint64_t steam_id) {
  return std::any_of(whitelist.ids.begin(), whitelist.ids.end(),
                     [&](int64_t entry) { return static_cast<uint64_t>(entry) == steam_id; }) ||
         std::any_of(whitelist.groups.begin(), whitelist.groups.end(),
                     [&](const std::string& group) { return InGroup(groups, group, steam_id); });
}
