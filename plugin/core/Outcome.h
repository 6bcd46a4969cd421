// What one run of a command did, as its handler (or the check that refused it)
// returns it. The observers after the handler word it by the command's row
// (CommandTable.h) for the audit line and the feedback replies.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>

// Every handler says which one ended its run; a run that fails before its
// handler returns is Failed.
enum class OutcomeKind {
  // The command did its work: gave, spawned, moved, reloaded or surveyed.
  Done,
  Refused,
  NoSuchTemplate,
  FailedToRead,
  // A game member was missing (`reason` says which).
  Stopped,
  // Any other exception left the handler.
  Failed,
};

struct Place {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

struct CommandOutcome {
  OutcomeKind kind = OutcomeKind::Failed;
  // Items given, creatures spawned or surveyed, of those the template asked for.
  int64_t done = 0;
  int64_t asked = 0;
  // The paths that loaded nothing, in the form asked of the game.
  std::set<std::string> unloaded;
  // Where the player was moved, when the command moves.
  std::optional<Place> movedTo;
  // Why the run was refused, stopped or failed; for FailedToRead, where inside
  // the template its read failed and why, sent under "Failed to read
  // template..." when replies say more.
  std::string reason;
};

// A run refused for `reason` (the audit's words), its answer already sent.
inline CommandOutcome Refusal(std::string reason) {
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Refused;
  outcome.reason = std::move(reason);
  return outcome;
}
