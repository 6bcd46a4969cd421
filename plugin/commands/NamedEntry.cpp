#include "orvanel/commands/NamedEntry.h"

#include <exception>
#include <string>

#include "orvanel/commands/TemplateReading.h"
#include "orvanel/core/Arguments.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/core/Reply.h"
#include "orvanel/core/Settings.h"
#include "orvanel/host/Text.h"

bool ReadNamedEntry(APlayerController* player, const FString& line, const char* key, const char* member,
                    const std::function<void(const nlohmann::json&)>& read) {
  const CommandSettings* settings = GetCommandSettings(key);
  if (settings == nullptr) return false;
  TArray<FString> pieces;
  if (SplitArguments(line, pieces) < 2) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    return false;
  }
  const std::string name = NarrowText(pieces[1]);
  RunningOutcome().name = name;

  auto* caller = static_cast<AShooterPlayerController*>(player);
  // Only the element asked for is read, not the whole catalogue.
  const nlohmann::json* element = FindCatalogueElement(settings->entry, member, name);
  if (element == nullptr) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    SendReply(caller, SystemSender(), kTemplateMissingReply);
    return false;
  }
  try {
    read(*element);
  } catch (const std::exception& failure) {
    RunningOutcome().kind = OutcomeKind::FailedToRead;
    RunningOutcome().readFailure = TemplateReadFailure(failure);
    SendReply(caller, SystemSender(), kTemplateFaultyReply);
    return false;
  }
  return true;
}
