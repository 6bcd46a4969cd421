#include "orvanel/core/Features.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include <fmt/format.h>

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

// "8 items", "1 item", or "3 of 4 items" when fewer were made than asked for.
std::string Counted(int64_t done, int64_t asked, const char* noun) {
  const std::string count = done == asked ? fmt::format("{}", done) : fmt::format("{} of {}", done, asked);
  return fmt::format("{} {}{}", count, noun, asked == 1 ? "" : "s");
}

// What the audit line says happened.
std::string AuditText(const CommandOutcome& outcome) {
  switch (outcome.kind) {
    case OutcomeKind::Gave: return "gave " + Counted(outcome.done, outcome.asked, "item");
    case OutcomeKind::Spawned: return "spawned " + Counted(outcome.done, outcome.asked, "creature");
    case OutcomeKind::Moved: return fmt::format("moved to {}, {}, {}", outcome.x, outcome.y, outcome.z);
    case OutcomeKind::Reloaded: return "reloaded";
    case OutcomeKind::Surveyed: return "surveyed " + Counted(outcome.done, outcome.done, "creature");
    case OutcomeKind::Refused: return "refused: not allowed";
    case OutcomeKind::NoSuchTemplate: return "no such template";
    case OutcomeKind::FailedToRead: return "failed to read template";
    case OutcomeKind::ReloadFailed: return "reload failed";
    case OutcomeKind::Stopped: return "stopped: " + outcome.reason;
    case OutcomeKind::Failed: return "failed";
    case OutcomeKind::None: break;
  }
  return "nothing done";
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

void ReportCommand(const char*, AShooterPlayerController* player, const FString* line,
                   const CommandOutcome& outcome) {
  if (FeatureEnabled(kAuditLogFeature) && GetLogger())
    GetLogger()->info("AUDIT {} ({}) {}: {}", CallerName(player),
                      TalvexApi::IApiUtils::GetSteamIdFromController(player),
                      line == nullptr ? std::string() : NarrowText(*line), AuditText(outcome));
}
