// Permissions: who may run a command, and who may use an entry of its catalogue.
#include <cstdint>
#include <optional>

#include "orvanel/core/LogText.h"
#include "orvanel/features/Features.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/run/Logger.h"
#include "orvanel/run/Reply.h"

std::optional<CommandOutcome> CheckCommandWhitelist(Run& run) {
  const CommandContext& context = run.context;
  if (!context.FeatureOn(kPermissionsFeature) || !context.settings.permissions) return std::nullopt;
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(context.caller);
  if (IsWhitelisted(context.settings.whitelist, context.config.settings.Groups(), steam_id)) return std::nullopt;
  if (GetLogger())
    GetLogger()->warn("{} ({}) is not allowed to use {}", EscapeLogText(CallerName(context.caller)), steam_id,
                      context.row.key);
  SendReply(context.caller, SystemSender(), "You are not allowed to use this command.");
  return Refusal("");
}

std::optional<CommandOutcome> CheckEntryWhitelist(Run& run) {
  const CommandContext& context = run.context;
  // Read only with the feature on (the named-entry check).
  // Judged for the player the run is for, as if they had run it themselves.
  if (!context.entry.whitelist ||
      IsWhitelisted(*context.entry.whitelist, context.config.settings.Groups(), PlayerRunFor(context)))
    return std::nullopt;
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(context.caller);
  if (context.actedOn) {
    if (GetLogger())
      GetLogger()->warn("{} ({}) is not allowed to use {} \"{}\" for {} ({})", CallerName(context.caller), steam_id,
                        context.row.key, context.entry.name, context.actedOn->name, context.actedOn->steamId);
    SendUtf8Reply(context.caller, SystemSender(), "{} is not allowed to use {}.", context.actedOn->name,
                  context.entry.name);
    return Refusal("");
  }
  if (GetLogger())
    GetLogger()->warn("{} ({}) is not allowed to use {} \"{}\"", EscapeLogText(CallerName(context.caller)), steam_id,
                      context.row.key, EscapeLogText(context.entry.name));
  SendUtf8Reply(context.caller, SystemSender(), "You are not allowed to use {}.", context.entry.name);
  return Refusal("");
}

bool OffersEntry(const CommandContext& context, const nlohmann::json& element) {
  if (!context.FeatureOn(kPermissionsFeature)) return true;
  // An entry whose whitelist fails to read is offered, and its use then says why it fails.
  try {
    const std::optional<Whitelist> whitelist = ReadEntryWhitelist(element);
    return !whitelist || IsWhitelisted(*whitelist, context.config.settings.Groups(),
                                       TalvexApi::IApiUtils::GetSteamIdFromController(context.caller));
  } catch (const nlohmann::json::exception&) {
    return true;
  }
}
