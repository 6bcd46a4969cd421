// AuditLog: one line a run, "AUDIT NAME (STEAM ID) LINE: WHAT CAME OF IT", in the
// words of the command's row.
#include <string>

#include <fmt/format.h>

#include "orvanel/core/LogText.h"
#include "orvanel/core/Words.h"
#include "orvanel/features/Features.h"
#include "orvanel/game/Players.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"
#include "orvanel/run/Logger.h"

namespace {

std::string ResultText(const ResultWords& words, const CommandOutcome& outcome) {
  switch (outcome.kind) {
    case OutcomeKind::Done:
      if (outcome.movedTo)
        return fmt::format("{} {}, {}, {}", words.audit, outcome.movedTo->x, outcome.movedTo->y, outcome.movedTo->z);
      if (words.noun != nullptr)
        return fmt::format("{} {}", words.audit, CountedOf(outcome.done, outcome.asked, words.noun));
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

}  // namespace

std::string CallerName(AShooterPlayerController* player) {
  if (player == nullptr) return "?";
  try {
    return PlayerNameText(player);
  } catch (const UnavailableMember&) {
    return "?";
  }
}

void WriteAuditLine(const CommandContext& context, const CommandOutcome& outcome) {
  if (!context.FeatureOn(kAuditLogFeature) || !GetAuditLogger()) return;
  std::string result = ResultText(context.row.words, outcome);
  if (context.actedOn) result += fmt::format("; acted on {} ({})", context.actedOn->name, context.actedOn->steamId);
  GetAuditLogger()->info("AUDIT {} ({}) {}: {}", EscapeLogText(CallerName(context.caller)),
                         TalvexApi::IApiUtils::GetSteamIdFromController(context.caller),
                         EscapeLogText(Utf8Text(context.line)), EscapeLogText(result));
}
