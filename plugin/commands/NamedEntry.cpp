#include "orvanel/commands/NamedEntry.h"

#include <exception>
#include <string>

#include "orvanel/commands/TemplateReading.h"
#include "orvanel/commands/UseLimits.h"
#include "orvanel/core/Arguments.h"
#include "orvanel/core/Features.h"
#include "orvanel/core/Reply.h"
#include "orvanel/game/Players.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"

namespace {

// With "Others", the player the line's third word names; false, answered and
// noted in `outcome`, when it names no online player or more than one. The
// caller named is no other player.
bool FindActedOn(const CommandContext& context, const FString& word, CommandOutcome& outcome) {
  const std::string wanted = NarrowText(word);
  const std::vector<FoundPlayer> found = FindOnlinePlayers(wanted);
  if (found.size() == 1) {
    if (found.front().steamId != TalvexApi::IApiUtils::GetSteamIdFromController(context.caller))
      outcome.actedOn = ActedOn{found.front().steamId, found.front().name};
    return true;
  }
  outcome.kind = OutcomeKind::Refused;
  if (found.empty()) {
    outcome.reason = "no such player";
    SendUtf8Reply(context.caller, SystemSender(), "No online player matches {}.", wanted);
    return false;
  }
  outcome.reason = "several players";
  std::string names;
  for (const FoundPlayer& player : found) names += (names.empty() ? "" : ", ") + player.name;
  SendUtf8Reply(context.caller, SystemSender(), "Several players match {}: {}.", wanted, names);
  return false;
}

}  // namespace

bool ReadNamedEntry(const CommandContext& context, CommandOutcome& outcome,
                    const std::function<void(const nlohmann::json&)>& read) {
  TArray<FString> pieces;
  if (SplitArguments(context.line, pieces) < 2) {
    outcome.kind = OutcomeKind::NoSuchTemplate;
    return false;
  }
  outcome.name = NarrowText(pieces[1]);

  // Only the element asked for is read, not the whole catalogue.
  const nlohmann::json* element =
      FindCatalogueElement(context.settings.entry, context.row.catalogue.member, outcome.name);
  if (element == nullptr) {
    outcome.kind = OutcomeKind::NoSuchTemplate;
    SendReply(context.caller, SystemSender(), kTemplateMissingReply);
    return false;
  }
  std::optional<std::vector<int64_t>> whitelist;
  UseLimits limits;
  try {
    read(*element);
    if (context.loaded.FeatureEnabled(kPermissionsFeature)) whitelist = ReadEntryWhitelist(*element);
    if (context.uses != nullptr) limits = ReadUseLimits(*element);
  } catch (const std::exception& failure) {
    outcome.kind = OutcomeKind::FailedToRead;
    outcome.readFailure = TemplateReadFailure(failure);
    SendReply(context.caller, SystemSender(), kTemplateFaultyReply);
    return false;
  }
  if (context.settings.others && pieces.Num() > 2 && !FindActedOn(context, pieces[2], outcome)) return false;
  if (!MayUseWhitelistedEntry(context, whitelist, outcome)) return false;
  // Acting on another player is neither limited nor counted.
  return outcome.actedOn || MayUseEntry(context, limits, outcome);
}
