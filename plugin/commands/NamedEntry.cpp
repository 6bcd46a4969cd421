#include "orvanel/commands/NamedEntry.h"

#include <exception>
#include <string>

#include "orvanel/commands/TemplateReading.h"
#include "orvanel/commands/UseLimits.h"
#include "orvanel/core/Arguments.h"
#include "orvanel/core/Features.h"
#include "orvanel/core/Reply.h"
#include "orvanel/host/Text.h"

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
  return MayUseWhitelistedEntry(context, whitelist, outcome) && MayUseEntry(context, limits, outcome);
}
