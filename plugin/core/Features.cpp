#include "orvanel/core/Features.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "orvanel/core/Logger.h"
#include "orvanel/core/Reply.h"
#include "orvanel/core/Settings.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"

namespace {

// The caller's player name, for log lines only: "?" when the game gives none,
// so that a missing member never keeps a line from being written.
std::string CallerName(AShooterPlayerController* player) {
  if (player == nullptr) return "?";
  try {
    auto* state = GameField<AShooterPlayerState*>(player, "AController.PlayerState");
    if (state == nullptr) return "?";
    FString name;
    GameFunction<FString*(AShooterPlayerState*, FString*)>("AShooterPlayerState.GetPlayerName")(state, &name);
    return NarrowText(name);
  } catch (const UnavailableMember&) {
    return "?";
  }
}

// Whitelist entries are read as signed numbers; a Steam id matches the entry
// of the same 64 bits.
bool IsWhitelisted(const CommandSettings& settings, uint64_t steam_id) {
  return std::any_of(settings.whitelist.begin(), settings.whitelist.end(),
                     [&](int64_t entry) { return static_cast<uint64_t>(entry) == steam_id; });
}

}  // namespace

bool MayRunCommand(const char* key, AShooterPlayerController* player) {
  if (!FeatureEnabled(kPermissionsFeature)) return true;
  const CommandSettings* settings = GetCommandSettings(key);
  if (settings == nullptr || !settings->permissions) return true;
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(player);
  if (IsWhitelisted(*settings, steam_id)) return true;
  if (GetLogger()) GetLogger()->warn("{} ({}) is not allowed to use {}", CallerName(player), steam_id, key);
  SendReply(player, SystemSender(), "You are not allowed to use this command.");
  return false;
}
