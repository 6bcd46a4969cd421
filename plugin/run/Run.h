// One run of a command: the context its stages and its handler share, and the
// two kinds of stage. Checks before the handler each let the run go on or end
// it with their refusal; observers after it each read what the run did.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "orvanel/core/CommandTable.h"
#include "orvanel/core/ConfigState.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/core/TemplateReading.h"
#include "orvanel/core/UseLimits.h"
#include "orvanel/core/UseStore.h"
#include "orvanel/host/Engine.h"

// The element of the command's catalogue that the line named, read whole: its
// record, and its own whitelist (read with Permissions on) and limits (read
// with Cooldowns on). `name` alone is set when the line named nothing there.
struct NamedEntry {
  // The line's words, narrowed as the game narrows what is typed.
  std::vector<std::string> words;
  std::string name;
  const nlohmann::json* element = nullptr;
  CatalogueRecord record;
  std::optional<Whitelist> whitelist;
  UseLimits limits;
  // "Limits": the limits of members of groups, in place of `limits` (UseLimitsFor).
  GroupLimits groupLimits;
};

// The other player a run acts on ("Others").
struct ActedOn {
  uint64_t steamId = 0;
  std::string name;  // UTF-8
};

// NOLINTNEXTLINE(bugprone-exception-escape): its members' moves are noexcept.
struct CommandContext {
  AShooterPlayerController* caller;
  const FString& line;
  const CommandRow& row;
  const CommandSettings& settings;
  // The configuration as it stood when the run began.
  const ConfigState& config;
  // The uses that cooldowns and use limits count; null when they are off.
  UseStore* uses = nullptr;
  // Takes the configuration a handler made by writing config.json, or by
  // reading it again, in place of the one the plugin runs on.
  std::function<void(ConfigState)> replaceConfig;
  // Filled by the checks for the handler and the observers.
  NamedEntry entry;
  std::optional<ActedOn> actedOn;

  bool FeatureOn(std::string_view name) const { return config.settings.FeatureEnabled(name); }
};

// The Steam id of the player the run is for: the player acted on, or the caller.
uint64_t PlayerRunFor(const CommandContext& context);

// True when the run gave, spawned, removed or moved something.
bool DidSomething(const CommandOutcome& outcome);

// What a check holds for the rest of the run (a claimed use) is settled here,
// by what the run did, before the observers.
struct Run {
  CommandContext context;
  std::vector<std::function<void(const CommandOutcome&)>> settle;
};

// A check: nothing lets the run go on; an outcome ends it there, its refusal
// already answered.
using RunCheck = std::optional<CommandOutcome> (*)(Run& run);
// An observer: after the handler, or after the check that ended the run.
using RunObserver = void (*)(const CommandContext& context, const CommandOutcome& outcome);
