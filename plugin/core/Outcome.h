// What one run of a command did, as its handler returns it. The wrapper that
// the host calls hands it to the audit line and the feedback replies, which
// word it by the command's row (CommandTable.h).
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

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

// The other player a command acted on ("Others").
struct ActedOn {
  uint64_t steamId = 0;
  std::string name;  // UTF-8
};

struct CommandOutcome {
  OutcomeKind kind = OutcomeKind::Failed;
  // The template or location asked for; empty when the line named none.
  std::string name;
  // Items given, creatures spawned or surveyed, of those the template asked for.
  int64_t done = 0;
  int64_t asked = 0;
  // The paths that loaded nothing, in the form asked of the game.
  std::set<std::string> unloaded;
  // The player given to, spawned around or moved, when not the caller.
  std::optional<ActedOn> actedOn;
  // Where the caller was moved, when the command moves.
  std::optional<Place> movedTo;
  std::string reason;
  // The entry has a cooldown or a use limit: a run that did something counts as a use.
  bool limited = false;
  // Where inside the template its read failed, and why: sent under "Failed to
  // read template..." when set.
  std::string readFailure;
};
