// Others: a catalogue command acting on another online player, named after the
// entry's name by Steam id or by name; that player is told.
#include <charconv>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "orvanel/features/Features.h"
#include "orvanel/game/Players.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/run/Reply.h"

std::variant<ActedOn, CommandOutcome> FindNamedPlayer(AShooterPlayerController* caller, const std::string& wanted,
                                                      bool anySteamId) {
  const std::vector<FoundPlayer> found = FindOnlinePlayers(wanted);
  if (found.size() == 1) return ActedOn{found.front().steamId, found.front().name};
  uint64_t steam_id = 0;
  if (found.empty() && anySteamId && IsDigitsOnly(wanted) &&
      std::from_chars(wanted.data(), wanted.data() + wanted.size(), steam_id).ec == std::errc() && steam_id > 0)
    return ActedOn{steam_id, wanted};
  if (found.empty()) {
    SendUtf8Reply(caller, SystemSender(), "No online player matches {}; use the Steam id for names with spaces.",
                  wanted);
    return Refusal("no such player");
  }
  std::string names;
  for (const FoundPlayer& player : found) names += (names.empty() ? "" : ", ") + player.name;
  SendUtf8Reply(caller, SystemSender(), "Several players match {}: {}.", wanted, names);
  return Refusal("several players");
}

std::optional<CommandOutcome> FindPlayerActedOn(Run& run) {
  CommandContext& context = run.context;
  if (!context.settings.others || context.entry.words.size() < 3) return std::nullopt;
  std::variant<ActedOn, CommandOutcome> found = FindNamedPlayer(context.caller, context.entry.words[2], false);
  if (auto* refusal = std::get_if<CommandOutcome>(&found)) return std::move(*refusal);
  ActedOn& player = std::get<ActedOn>(found);
  // The caller named is no other player.
  const uint64_t caller_id = TalvexApi::IApiUtils::GetSteamIdFromController(context.caller);
  if (player.steamId == caller_id) return std::nullopt;
  if (context.settings.othersWhitelist &&
      !IsWhitelisted(*context.settings.othersWhitelist, context.config.settings.Groups(), caller_id)) {
    SendReply(context.caller, SystemSender(), "You are not allowed to act on other players.");
    return Refusal("");
  }
  context.actedOn = std::move(player);
  return std::nullopt;
}

void TellPlayerActedOn(const CommandContext& context, const CommandOutcome& outcome) {
  if (!context.actedOn || context.row.words.toldOther == nullptr || !DidSomething(outcome)) return;
  AShooterPlayerController* player = TalvexApi::GetApiUtils().FindPlayerFromSteamId(context.actedOn->steamId);
  if (player != nullptr)
    SendUtf8Reply(player, SystemSender(), context.row.words.toldOther, CallerName(context.caller), context.entry.name);
}
