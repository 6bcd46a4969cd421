#include "orvanel/core/Features.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "orvanel/core/LogText.h"
#include "orvanel/core/Logger.h"
#include "orvanel/core/NameDistance.h"
#include "orvanel/core/Reply.h"
#include "orvanel/game/Players.h"
#include "orvanel/game/WallClock.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"

namespace {

// The caller's player name, for log lines only (UTF-8, as the log is): "?"
// when the game gives none, so that a missing member never keeps a line from being written.
std::string CallerName(AShooterPlayerController* player) {
  if (player == nullptr) return "?";
  try {
    return PlayerNameText(player);
  } catch (const UnavailableMember&) {
    return "?";
  }
}

// "8 items", "1 item", or "3 of 4 items" when fewer were made than asked for.
std::string Counted(int64_t done, int64_t asked, const char* noun) {
  const std::string count = done == asked ? fmt::format("{}", done) : fmt::format("{} of {}", done, asked);
  return fmt::format("{} {}{}", count, noun, asked == 1 ? "" : "s");
}

// What the audit line says happened, in the words of the command's row, and
// the other player a run acted on.
std::string AuditText(const ResultWords& words, const CommandOutcome& outcome);

std::string AuditLine(const ResultWords& words, const CommandOutcome& outcome) {
  std::string text = AuditText(words, outcome);
  if (outcome.actedOn) text += fmt::format("; acted on {} ({})", outcome.actedOn->name, outcome.actedOn->steamId);
  return text;
}

std::string AuditText(const ResultWords& words, const CommandOutcome& outcome) {
  switch (outcome.kind) {
    case OutcomeKind::Done:
      if (outcome.movedTo)
        return fmt::format("{} {}, {}, {}", words.audit, outcome.movedTo->x, outcome.movedTo->y, outcome.movedTo->z);
      if (words.noun != nullptr)
        return fmt::format("{} {}", words.audit, Counted(outcome.done, outcome.asked, words.noun));
      return words.audit;
    case OutcomeKind::Refused:
      return "refused: " + (outcome.reason.empty() ? std::string("not allowed") : outcome.reason);
    case OutcomeKind::NoSuchTemplate:
      return "no such template";
    case OutcomeKind::FailedToRead:
      return "failed to read template";
    case OutcomeKind::Stopped:
      return "stopped: " + outcome.reason;
    case OutcomeKind::Failed:
      break;
  }
  return words.failed;
}

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

// Whether the caller may be offered `entry` by name: not when the Permissions
// feature is on and the entry's whitelist leaves the caller out. An entry whose
// whitelist fails to read is offered, and its use then says why it fails.
bool MayListEntry(const CommandContext& context, const nlohmann::json& entry) {
  if (!context.loaded.FeatureEnabled(kPermissionsFeature)) return true;
  try {
    const std::optional<std::vector<int64_t>> whitelist = ReadEntryWhitelist(entry);
    return !whitelist || IsWhitelisted(*whitelist, TalvexApi::IApiUtils::GetSteamIdFromController(context.caller));
  } catch (const nlohmann::json::exception&) {
    return true;
  }
}

// After a missing or unknown name: the nearest name when one was given and it
// is near enough to be meant, then every name of the command's catalogue, in byte order.
void SendCatalogue(const CommandContext& context, const std::string& asked) {
  const CatalogueColumn& catalogue = context.row.catalogue;
  if (catalogue.member == nullptr) return;
  std::vector<std::string> names;
  const auto member = context.settings.entry.find(catalogue.member);
  if (member != context.settings.entry.end() && member->is_object())
    for (auto name = member->begin(); name != member->end(); ++name)
      if (MayListEntry(context, *name)) names.push_back(name.key());
  if (!asked.empty() && !names.empty()) {
    // The first of the nearest, in byte order.
    const std::string* nearest = &names.front();
    std::size_t best = NameDistance(asked, names.front());
    for (const std::string& name : names) {
      const std::size_t distance = NameDistance(asked, name);
      if (distance < best) {
        nearest = &name;
        best = distance;
      }
    }
    if (NearEnough(best, *nearest)) SendUtf8Reply(context.caller, SystemSender(), "Did you mean {}?", *nearest);
  }
  SendUtf8Reply(context.caller, SystemSender(), "{}: {}", catalogue.label, ListOf(names));
}

std::string UnloadedText(const CommandOutcome& outcome) {
  return outcome.unloaded.empty() ? std::string() : "; nothing loads from " + ListOf(outcome.unloaded);
}

// The replies that say what a run did, after the replies of its handler.
void SendFeedback(const CommandContext& context, const CommandOutcome& outcome) {
  const ResultWords& words = context.row.words;
  switch (outcome.kind) {
    case OutcomeKind::Done:
      if (words.feedback == nullptr) break;
      if (outcome.actedOn && words.feedbackOnOther != nullptr)
        SendUtf8Reply(context.caller, SystemSender(), words.feedbackOnOther,
                      words.noun != nullptr ? Counted(outcome.done, outcome.asked, words.noun) : outcome.name,
                      outcome.actedOn->name, UnloadedText(outcome));
      else if (words.noun != nullptr)
        SendUtf8Reply(context.caller, SystemSender(), "{} {}{}.", words.feedback,
                      Counted(outcome.done, outcome.asked, words.noun), UnloadedText(outcome));
      else
        SendUtf8Reply(context.caller, SystemSender(), "{} {}.", words.feedback, outcome.name);
      break;
    case OutcomeKind::NoSuchTemplate:
      SendCatalogue(context, outcome.name);
      break;
    case OutcomeKind::FailedToRead:
      if (!outcome.readFailure.empty()) SendUtf8Reply(context.caller, SystemSender(), "{}", outcome.readFailure);
      break;
    case OutcomeKind::Failed:
      if (words.failedFeedback != nullptr)
        SendUtf8Reply(context.caller, SystemSender(), words.failedFeedback, outcome.reason);
      break;
    default:
      break;
  }
}

}  // namespace

bool MayRunCommand(const Settings& loaded, const CommandContext& context) {
  if (!loaded.FeatureEnabled(kPermissionsFeature) || !context.settings.permissions) return true;
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(context.caller);
  if (IsWhitelisted(context.settings.whitelist, steam_id)) return true;
  if (GetLogger())
    GetLogger()->warn("{} ({}) is not allowed to use {}", EscapeLogText(CallerName(context.caller)), steam_id,
                      context.row.key);
  SendReply(context.caller, SystemSender(), "You are not allowed to use this command.");
  return false;
}

bool MayUseWhitelistedEntry(const CommandContext& context, const std::optional<std::vector<int64_t>>& whitelist,
                            CommandOutcome& outcome) {
  if (!whitelist) return true;
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(context.caller);
  if (IsWhitelisted(*whitelist, steam_id)) return true;
  if (GetLogger())
    GetLogger()->warn("{} ({}) is not allowed to use {} \"{}\"", EscapeLogText(CallerName(context.caller)), steam_id,
                      context.row.key, EscapeLogText(outcome.name));
  SendUtf8Reply(context.caller, SystemSender(), "You are not allowed to use {}.", outcome.name);
  outcome.kind = OutcomeKind::Refused;
  return false;
}

bool MayUseEntry(const CommandContext& context, const UseLimits& limits, CommandOutcome& outcome) {
  if (context.uses == nullptr || (limits.cooldownMs == 0 && !limits.uses)) return true;
  const UseKey key{TalvexApi::IApiUtils::GetSteamIdFromController(context.caller), context.row.key, outcome.name};
  // The store judges: it dates a record from a clock that went back at its first sight.
  const UseClaim claim = context.uses->Claim(key, limits, WallClockMs());
  context.uses->GiveBack(claim.ticket);  // counted by CountUse, once the run did something
  const UseVerdict& verdict = claim.verdict;
  switch (verdict.kind) {
    case UseVerdictKind::Allowed:
      outcome.limited = true;
      return true;
    case UseVerdictKind::UsedUp:
      outcome.reason = "used up";
      SendUtf8Reply(context.caller, SystemSender(), "You have used {} {} times, the most allowed.", outcome.name,
                    verdict.used);
      break;
    case UseVerdictKind::TooSoon:
      outcome.reason = "cooldown";
      SendUtf8Reply(context.caller, SystemSender(), "You can use {} again in {}.", outcome.name,
                    WaitText(verdict.waitMs));
      break;
    case UseVerdictKind::Unreachable:
      outcome.reason = "store unreachable";
      SendReply(context.caller, SystemSender(),
                "The shared limits cannot be checked right now; try again in a moment.");
      break;
  }
  outcome.kind = OutcomeKind::Refused;
  return false;
}

void CountUse(const CommandContext& context, const CommandOutcome& outcome) {
  // Only a run that did something has counts or a place.
  if (context.uses == nullptr || !outcome.limited || (outcome.done <= 0 && !outcome.movedTo)) return;
  const UseKey key{TalvexApi::IApiUtils::GetSteamIdFromController(context.caller), context.row.key, outcome.name};
  try {
    context.uses->Record(key, WallClockMs());
  } catch (const UnavailableMember&) {
    throw;
  } catch (const std::exception& failure) {
    if (GetLogger())
      GetLogger()->error("The use of {} by {} was not counted: {}", EscapeLogText(outcome.name), key.steamId,
                         EscapeLogText(failure.what()));
  }
}

void TellPlayerActedOn(const CommandContext& context, const CommandOutcome& outcome) {
  if (!outcome.actedOn || context.row.words.toldOther == nullptr || (outcome.done <= 0 && !outcome.movedTo)) return;
  AShooterPlayerController* player = TalvexApi::GetApiUtils().FindPlayerFromSteamId(outcome.actedOn->steamId);
  if (player != nullptr)
    SendUtf8Reply(player, SystemSender(), context.row.words.toldOther, CallerName(context.caller), outcome.name);
}

void ReportCommand(const Settings& loaded, const CommandContext& context, const CommandOutcome& outcome) {
  if (loaded.FeatureEnabled(kAuditLogFeature) && GetAuditLogger())
    GetAuditLogger()->info("AUDIT {} ({}) {}: {}", EscapeLogText(CallerName(context.caller)),
                           TalvexApi::IApiUtils::GetSteamIdFromController(context.caller),
                           EscapeLogText(Utf8Text(context.line)), EscapeLogText(AuditLine(context.row.words, outcome)));
  if (loaded.FeatureEnabled(kFeedbackFeature)) SendFeedback(context, outcome);
}
