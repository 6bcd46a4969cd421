// The uses command: a player's counted uses listed with when each entry is
// usable again, as the caller's configuration limits it, and one entry's uses
// or all of them reset, in whichever store the uses are kept.
#include <exception>
#include <string>
#include <variant>
#include <vector>

#include "orvanel/commands/Commands.h"
#include "orvanel/core/LogText.h"
#include "orvanel/core/UseLimits.h"
#include "orvanel/core/Words.h"
#include "orvanel/features/Features.h"
#include "orvanel/game/WallClock.h"
#include "orvanel/host/Text.h"
#include "orvanel/run/Arguments.h"
#include "orvanel/run/Logger.h"
#include "orvanel/run/Reply.h"

namespace {

constexpr const char* kResetWord = "reset";

// When the use of `key` may come again, in words.
std::string UsableText(const Settings& settings, const UseKey& key, const UseRecord& record, int64_t nowMs) {
  std::optional<UseLimits> limits;
  try {
    limits = LimitsOfUse(settings, key);
  } catch (const std::exception&) {
    return "its limits fail to read";
  }
  if (!limits) return "not in the config";
  const UseVerdict verdict = JudgeUse(*limits, record, nowMs);
  if (verdict.kind == UseVerdictKind::UsedUp) return "used up";
  if (verdict.kind == UseVerdictKind::TooSoon) return "usable in " + WaitText(verdict.waitMs);
  return "usable now";
}

// The text players type for the command of `key`, or its key when the config has none.
std::string CommandText(const Settings& settings, const std::string& key) {
  const CommandSettings* command = settings.Command(key);
  return command == nullptr || command->command.empty() ? key : command->command;
}

CommandOutcome ListUses(const CommandContext& context, const ActedOn& player) {
  const std::vector<std::pair<UseKey, UseRecord>> uses = context.uses->UsesOf(player.steamId);
  if (uses.empty()) {
    SendUtf8Reply(context.caller, SystemSender(), "{} has no uses counted.", player.name);
  } else {
    SendUtf8Reply(context.caller, SystemSender(), "Uses of {}:", player.name);
    const int64_t now = WallClockMs();
    for (const auto& [key, record] : uses)
      SendUtf8Reply(context.caller, SystemSender(), "{} {}: {}, {}.", CommandText(context.config.settings, key.command),
                    key.entry, CountOf(static_cast<int64_t>(record.count), "use"),
                    UsableText(context.config.settings, key, record, now));
  }
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  return outcome;
}

// Resets every entry named `entry` (any command's), or every entry with none.
CommandOutcome ResetUses(const CommandContext& context, const ActedOn& player, const std::string* entry) {
  int64_t reset = 0;
  try {
    if (entry == nullptr) {
      reset = static_cast<int64_t>(context.uses->UsesOf(player.steamId).size());
      context.uses->ForgetAll(player.steamId);
    } else {
      for (const auto& [key, record] : context.uses->UsesOf(player.steamId))
        if (key.entry == *entry) {
          context.uses->Forget(key);
          ++reset;
        }
    }
  } catch (const std::exception& failure) {
    if (GetLogger())
      GetLogger()->error("The uses of {} were not reset: {}", player.steamId, EscapeLogText(failure.what()));
    SendUtf8Reply(context.caller, SystemSender(), "The uses of {} could not be reset; try again in a moment.",
                  player.name);
    return Refusal("store unreachable");
  }
  if (entry != nullptr && reset == 0)
    SendUtf8Reply(context.caller, SystemSender(), "{} has no uses of {} counted.", player.name, *entry);
  else if (entry != nullptr)
    SendUtf8Reply(context.caller, SystemSender(), "The uses of {} by {} are reset.", *entry, player.name);
  else
    SendUtf8Reply(context.caller, SystemSender(), "Every use of {} is reset ({} {}).", player.name, reset,
                  reset == 1 ? "entry" : "entries");
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  outcome.done = reset;
  outcome.asked = reset;
  return outcome;
}

}  // namespace

CommandOutcome UsesCommand(const CommandContext& context) {
  std::vector<std::string> words;
  {
    TArray<FString> pieces;
    SplitArguments(context.line, pieces);
    for (int32_t at = 0; at < pieces.Num(); ++at) words.push_back(NarrowText(pieces[at]));
  }
  const bool reset = words.size() >= 3 && words.back() == kResetWord;
  if (words.size() < 2 || words.size() > 4 || (words.size() > 2 && !reset)) {
    SendUtf8Reply(context.caller, SystemSender(), "Usage: {0} PLAYER, {0} PLAYER ENTRY reset or {0} PLAYER reset.",
                  words.empty() ? std::string() : words.front());
    return Refusal("usage");
  }
  if (context.uses == nullptr) {
    SendReply(context.caller, SystemSender(), "No uses are counted: the feature Cooldowns is not on.");
    return Refusal("no uses counted");
  }
  std::variant<ActedOn, CommandOutcome> found = FindNamedPlayer(context.caller, words[1], true);
  if (auto* refusal = std::get_if<CommandOutcome>(&found)) return std::move(*refusal);
  const ActedOn& player = std::get<ActedOn>(found);
  if (!reset) return ListUses(context, player);
  return ResetUses(context, player, words.size() == 4 ? &words[2] : nullptr);
}
