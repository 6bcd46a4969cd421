// What one run of a command did, as its handler reports it. The wrapper that
// the host calls empties the record before each run and takes it afterwards for
// the audit line and the feedback replies; handlers only assign to it.
#pragma once

#include <cstdint>
#include <set>
#include <string>

enum class OutcomeKind {
  None,
  Gave,
  Spawned,
  Moved,
  Reloaded,
  Surveyed,
  Refused,
  NoSuchTemplate,
  FailedToRead,
  ReloadFailed,
  // A game member was missing (`reason` says which).
  Stopped,
  // Any other exception left the handler.
  Failed,
};

struct CommandOutcome {
  OutcomeKind kind = OutcomeKind::None;
  // The template or location asked for; empty when the line named none.
  std::string name;
  // Items given, creatures spawned or surveyed, of those the template asked for.
  int64_t done = 0;
  int64_t asked = 0;
  // The paths that loaded nothing, in the form asked of the game.
  std::set<std::string> unloaded;
  // Where the caller was moved.
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  std::string reason;
  // Where inside the template its read failed, and why: sent under "Failed to
  // read template..." when set.
  std::string readFailure;
};

// The record of the run in progress.
CommandOutcome& RunningOutcome();
