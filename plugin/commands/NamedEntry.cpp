#include "orvanel/commands/NamedEntry.h"

#include <exception>
#include <string>

#include "orvanel/core/TemplateReading.h"
#include "orvanel/core/UseLimits.h"
#include "orvanel/host/Text.h"
#include "orvanel/run/Arguments.h"
#include "orvanel/run/Reply.h"

std::optional<CommandOutcome> FindNamedEntry(Run& run) {
  CommandContext& context = run.context;
  if (!context.row.HasCatalogue()) return std::nullopt;
  NamedEntry& entry = context.entry;
  {
    TArray<FString> pieces;
    SplitArguments(context.line, pieces);
    for (int32_t at = 0; at < pieces.Num(); ++at) entry.words.push_back(NarrowText(pieces[at]));
  }
  CommandOutcome outcome;
  if (entry.words.size() < 2) {
    outcome.kind = OutcomeKind::NoSuchTemplate;
    return outcome;
  }
  entry.name = entry.words[1];

  // Only the element asked for is read, not the whole catalogue.
  entry.element = FindCatalogueElement(context.settings.entry, context.row.catalogue.member, entry.name);
  if (entry.element == nullptr) {
    SendReply(context.caller, SystemSender(), kTemplateMissingReply);
    outcome.kind = OutcomeKind::NoSuchTemplate;
    return outcome;
  }
  try {
    entry.record = ReadCatalogueRecord(context.row.catalogue.kind, *entry.element);
    if (context.FeatureOn(kPermissionsFeature)) entry.whitelist = ReadEntryWhitelist(*entry.element);
    if (context.uses != nullptr) {
      entry.limits = ReadUseLimits(*entry.element);
      entry.groupLimits = ReadGroupLimits(*entry.element);
    }
  } catch (const std::exception& failure) {
    SendReply(context.caller, SystemSender(), kTemplateFaultyReply);
    outcome.kind = OutcomeKind::FailedToRead;
    outcome.reason = TemplateReadFailure(failure);
    return outcome;
  }
  return std::nullopt;
}
