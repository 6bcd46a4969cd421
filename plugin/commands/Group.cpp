// The group command: "<command> GROUP" lists a group's members, by name where
// online; "<command> PLAYER add GROUP" and "<command> PLAYER remove GROUP"
// change its "Members" in config.json, applied at once. Only a member of a
// group that inherits a group may change it.
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/ConfigWrite.h"
#include "orvanel/features/Features.h"
#include "orvanel/game/Players.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"
#include "orvanel/run/Arguments.h"
#include "orvanel/run/Reply.h"

namespace {

constexpr const char* kAddWord = "add";
constexpr const char* kRemoveWord = "remove";

// A player's name when online, else their Steam id.
std::string MemberText(uint64_t steam_id) {
  const std::vector<FoundPlayer> found = FindOnlinePlayers(std::to_string(steam_id));
  return found.size() == 1 ? found.front().name : std::to_string(steam_id);
}

CommandOutcome Done() {
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  return outcome;
}

CommandOutcome ListMembers(const CommandContext& context, const std::string& name, const Group& group) {
  std::string members;
  for (const uint64_t member : group.everyone) members += (members.empty() ? "" : ", ") + MemberText(member);
  SendUtf8Reply(context.caller, SystemSender(), "{}: {}.", name, members.empty() ? "no members" : members);
  return Done();
}

// "[id, id]": the members as the file then holds them.
std::string MembersText(const std::vector<uint64_t>& members) {
  std::string text = "[";
  for (std::size_t at = 0; at < members.size(); ++at) text += (at == 0 ? "" : ", ") + std::to_string(members[at]);
  return text + "]";
}

CommandOutcome ChangeMembers(const CommandContext& context, const std::string& name, const Group& group,
                             const ActedOn& player, bool add) {
  const GroupTable& groups = context.config.settings.Groups();
  const uint64_t caller_id = TalvexApi::IApiUtils::GetSteamIdFromController(context.caller);
  const bool allowed = std::any_of(group.heirs.begin(), group.heirs.end(),
                                   [&](const std::string& heir) { return InGroup(groups, heir, caller_id); });
  if (!allowed) {
    SendUtf8Reply(context.caller, SystemSender(),
                  "You may not change {}: only a member of a group that inherits it may.", name);
    return Refusal("not allowed");
  }
  std::vector<uint64_t> members = group.members;
  const auto found = std::find(members.begin(), members.end(), player.steamId);
  if (add == (found != members.end())) {
    SendUtf8Reply(context.caller, SystemSender(), add ? "{} is in {} already." : "{} is not a member of {}.",
                  player.name, name);
    return Refusal(add ? "a member already" : "not a member");
  }
  if (add)
    members.push_back(player.steamId);
  else
    members.erase(found);
  if (std::optional<CommandOutcome> refusal = CheckConfigUnchanged(context)) return std::move(*refusal);
  const std::vector<std::string> at{"Features", kPermissionsFeature, "Groups", name};
  if (std::optional<CommandOutcome> failure = WriteConfigMember(context, at, "Members", MembersText(members)))
    return std::move(*failure);
  SendUtf8Reply(context.caller, SystemSender(), add ? "{} is added to {}." : "{} is removed from {}.", player.name,
                name);
  CommandOutcome outcome = Done();
  outcome.done = 1;
  outcome.asked = 1;
  return outcome;
}

}  // namespace

CommandOutcome GroupCommand(const CommandContext& context) {
  std::vector<std::string> words;
  {
    TArray<FString> pieces;
    SplitArguments(context.line, pieces);
    for (int32_t at = 0; at < pieces.Num(); ++at) words.push_back(NarrowText(pieces[at]));
  }
  const bool change = words.size() == 4 && (words[2] == kAddWord || words[2] == kRemoveWord);
  if (words.size() != 2 && !change) {
    SendUtf8Reply(context.caller, SystemSender(), "Usage: {0} GROUP, {0} PLAYER add GROUP or {0} PLAYER remove GROUP.",
                  words.empty() ? std::string() : words.front());
    return Refusal("usage");
  }
  const std::string& name = words.back();
  const GroupTable& groups = context.config.settings.Groups();
  const auto group = groups.find(name);
  if (group == groups.end()) {
    SendUtf8Reply(context.caller, SystemSender(), "No group is named {}.", name);
    return Refusal("no such group");
  }
  if (!change) return ListMembers(context, name, group->second);
  std::variant<ActedOn, CommandOutcome> found = FindNamedPlayer(context.caller, words[1], true);
  if (auto* refusal = std::get_if<CommandOutcome>(&found)) return std::move(*refusal);
  return ChangeMembers(context, name, group->second, std::get<ActedOn>(found), words[2] == kAddWord);
}
