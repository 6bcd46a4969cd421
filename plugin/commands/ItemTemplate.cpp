// The item template command: reads a named kit from the command's entry and
// gives its items to the caller (or the player named after it, with "Others"),
// once per pass. A kit that fails to read gives
// nothing at all.
#include <cstdint>
#include <utility>
#include <variant>

#include "orvanel/commands/Commands.h"
#include "orvanel/game/Items.h"

CommandOutcome ItemTemplateCommand(const CommandContext& context) {
  const ItemKit& read = std::get<ItemKit>(context.entry.record);
  const uint64_t steam_id = PlayerRunFor(context);

  // The player is found anew in every pass; once gone, later passes are not tried.
  GrantTally tally;
  for (int32_t pass = 0; pass < read.passes; ++pass)
    if (!GiveItems(steam_id, read.entries, &tally)) break;
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  outcome.done = tally.made;
  outcome.asked = read.creations;
  outcome.unloaded = std::move(tally.unloaded);
  return outcome;
}
