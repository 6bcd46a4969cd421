// Feedback: the replies that say what a run did, in the words of the command's
// row, and the names a line could have meant when it named none that exists.
#include <cstddef>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "orvanel/core/NameDistance.h"
#include "orvanel/core/Words.h"
#include "orvanel/features/Features.h"
#include "orvanel/run/Reply.h"

namespace {

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

// After a missing or unknown name: the nearest name when one was given and it
// is near enough to be meant, then every name of the command's catalogue, in byte order.
void SendCatalogue(const CommandContext& context, const std::string& asked) {
  const CatalogueColumn& catalogue = context.row.catalogue;
  if (catalogue.member == nullptr) return;
  std::vector<std::string> names;
  const auto member = context.settings.entry.find(catalogue.member);
  if (member != context.settings.entry.end() && member->is_object())
    for (auto name = member->begin(); name != member->end(); ++name)
      if (OffersEntry(context, *name)) names.push_back(name.key());
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

}  // namespace

void SendFeedback(const CommandContext& context, const CommandOutcome& outcome) {
  if (!context.FeatureOn(kFeedbackFeature)) return;
  const ResultWords& words = context.row.words;
  switch (outcome.kind) {
    case OutcomeKind::Done:
      if (words.feedback == nullptr) break;
      if (context.actedOn && words.feedbackOnOther != nullptr)
        SendUtf8Reply(context.caller, SystemSender(), words.feedbackOnOther,
                      words.noun != nullptr ? CountedOf(outcome.done, outcome.asked, words.noun) : context.entry.name,
                      context.actedOn->name, UnloadedText(outcome));
      else if (words.noun != nullptr)
        SendUtf8Reply(context.caller, SystemSender(), "{} {}{}.", words.feedback,
                      CountedOf(outcome.done, outcome.asked, words.noun), UnloadedText(outcome));
      else
        SendUtf8Reply(context.caller, SystemSender(), "{} {}.", words.feedback, context.entry.name);
      break;
    case OutcomeKind::NoSuchTemplate:
      SendCatalogue(context, context.entry.name);
      break;
    case OutcomeKind::FailedToRead:
      if (!outcome.reason.empty()) SendUtf8Reply(context.caller, SystemSender(), "{}", outcome.reason);
      break;
    case OutcomeKind::Failed:
      if (words.failedFeedback != nullptr)
        SendUtf8Reply(context.caller, SystemSender(), words.failedFeedback, outcome.reason);
      break;
    default:
      break;
  }
}
