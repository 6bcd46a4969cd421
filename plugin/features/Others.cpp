// Others: a catalogue command acting on another online player, named after the
// entry's name by Steam id or by name; that player is told.
#include <string>
#include <vector>

#include "orvanel/features/Features.h"
#include "orvanel/game/Players.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/run/Reply.h"

std::optional<CommandOutcome> FindPlayerActedOn(Run& run) {
  CommandContext& context = run.context;
  if (!context.settings.others || context.entry.words.size() < 3) return std::nullopt;
  const std::string& wanted = context.entry.words[2];
  const std::vector<FoundPlayer> found = FindOnlinePlayers(wanted);
  if (found.size() == 1) {
    // The caller named is no other player.
    const uint64_t caller_id = TalvexApi::IApiUtils::GetSteamIdFromController(context.caller);
    if (found.front().steamId == caller_id) return std::nullopt;
    if (context.settings.othersWhitelist && !IsWhitelisted(*context.settings.othersWhitelist, caller_id)) {
      SendReply(context.caller, SystemSender(), "You are not allowed to act on other players.");
      return Refusal("");
    }
    context.actedOn = ActedOn{found.front().steamId, found.front().name};
    return std::nullopt;
  }
  if (found.empty()) {
    SendUtf8Reply(context.caller, SystemSender(),
                  "No online player matches {}; use the Steam id for names with spaces.", wanted);
    return Refusal("no such player");
  }
  std::string names;
  for (const FoundPlayer& player : found) names += (names.empty() ? "" : ", ") + player.name;
  SendUtf8Reply(context.caller, SystemSender(), "Several players match {}: {}.", wanted, names);
  return Refusal("several players");
}

void TellPlayerActedOn(const CommandContext& context, const CommandOutcome& outcome) {
  if (!context.actedOn || context.row.words.toldOther == nullptr || !DidSomething(outcome)) return;
  AShooterPlayerController* player = TalvexApi::GetApiUtils().FindPlayerFromSteamId(context.actedOn->steamId);
  if (player != nullptr)
    SendUtf8Reply(player, SystemSender(), context.row.words.toldOther, CallerName(context.caller), context.entry.name);
}
