#include "orvanel/core/Features.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "orvanel/core/CommandKeys.h"
#include "orvanel/core/Logger.h"
#include "orvanel/core/NameDistance.h"
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
    case OutcomeKind::Gave:
      return "gave " + Counted(outcome.done, outcome.asked, "item");
    case OutcomeKind::Spawned:
      return "spawned " + Counted(outcome.done, outcome.asked, "creature");
    case OutcomeKind::Moved:
      return fmt::format("moved to {}, {}, {}", outcome.x, outcome.y, outcome.z);
    case OutcomeKind::Reloaded:
      return "reloaded";
    case OutcomeKind::Surveyed:
      return "surveyed " + Counted(outcome.done, outcome.done, "creature");
    case OutcomeKind::Refused:
      return "refused: not allowed";
    case OutcomeKind::NoSuchTemplate:
      return "no such template";
    case OutcomeKind::FailedToRead:
      return "failed to read template";
    case OutcomeKind::ReloadFailed:
      return "reload failed";
    case OutcomeKind::Stopped:
      return "stopped: " + outcome.reason;
    case OutcomeKind::Failed:
      return "failed";
    case OutcomeKind::None:
      break;
  }
  return "nothing done";
}

// The commands whose names a caller may get wrong: where in the command's
// entry the names are, and what a list of them is called.
struct Catalogue {
  const char* key;
  const char* member;
  const char* label;
};
constexpr Catalogue kCatalogues[] = {{kItemTemplateKey, "Templates", "Kits"},
                                     {kSpawnTemplateKey, "Templates", "Groups"},
                                     {kTeleportToKey, "Locations", "Locations"}};

// A list in a reply names at most this many, then how many more there are.
constexpr std::size_t kListedNames = 10;

template <typename Names>
std::string ListOf(const Names& names) {
  if (names.empty()) return "none";
  std::string text;
  std::size_t listed = 0;
  for (const std::string& name : names) {
    if (listed == kListedNames) break;
    if (listed++ != 0) text += ", ";
    text += name;
  }
  if (names.size() > listed) text += fmt::format(" and {} more", names.size() - listed);
  return text;
}

// After a missing or unknown name: the nearest name when one was given, then
// every name of the command's catalogue, in byte order.
void SendCatalogue(const char* key, AShooterPlayerController* player, const std::string& asked) {
  const auto catalogue = std::find_if(std::begin(kCatalogues), std::end(kCatalogues),
                                      [&](const Catalogue& entry) { return std::string_view(entry.key) == key; });
  const CommandSettings* settings = GetCommandSettings(key);
  if (catalogue == std::end(kCatalogues) || settings == nullptr) return;
  std::vector<std::string> names;
  const auto member = settings->entry.find(catalogue->member);
  if (member != settings->entry.end() && member->is_object())
    for (auto name = member->begin(); name != member->end(); ++name) names.push_back(name.key());
  if (!asked.empty() && !names.empty()) {
    // The first of the nearest, in byte order.
    const std::string* nearest = nullptr;
    std::size_t best = 0;
    for (const std::string& name : names) {
      const std::size_t distance = NameDistance(asked, name);
      if (nearest == nullptr || distance < best) {
        nearest = &name;
        best = distance;
      }
    }
    SendReply(player, SystemSender(), "Did you mean {}?", *nearest);
  }
  SendReply(player, SystemSender(), "{}: {}", catalogue->label, ListOf(names));
}

std::string UnloadedText(const CommandOutcome& outcome) {
  return outcome.unloaded.empty() ? std::string() : "; nothing loads from " + ListOf(outcome.unloaded);
}

// The replies that say what a run did, after the replies of its handler.
void SendFeedback(const char* key, AShooterPlayerController* player, const CommandOutcome& outcome) {
  switch (outcome.kind) {
    case OutcomeKind::Gave:
      SendReply(player, SystemSender(), "Gave {}{}.", Counted(outcome.done, outcome.asked, "item"),
                UnloadedText(outcome));
      break;
    case OutcomeKind::Spawned:
      SendReply(player, SystemSender(), "Spawned {}{}.", Counted(outcome.done, outcome.asked, "creature"),
                UnloadedText(outcome));
      break;
    case OutcomeKind::Moved:
      SendReply(player, SystemSender(), "Teleported to {}.", outcome.name);
      break;
    case OutcomeKind::NoSuchTemplate:
      SendCatalogue(key, player, outcome.name);
      break;
    case OutcomeKind::FailedToRead:
      if (!outcome.readFailure.empty()) SendReply(player, SystemSender(), "{}", outcome.readFailure);
      break;
    default:
      break;
  }
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

void ReportCommand(const char* key, AShooterPlayerController* player, const FString* line,
                   const CommandOutcome& outcome) {
  if (FeatureEnabled(kAuditLogFeature) && GetLogger())
    GetLogger()->info("AUDIT {} ({}) {}: {}", CallerName(player),
                      TalvexApi::IApiUtils::GetSteamIdFromController(player),
                      line == nullptr ? std::string() : NarrowText(*line), AuditText(outcome));
  if (FeatureEnabled(kFeedbackFeature)) SendFeedback(key, player, outcome);
}
