#include "orvanel/load/Plugin.h"

#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "orvanel/commands/Commands.h"
#include "orvanel/core/LogText.h"
#include "orvanel/game/PlacesBefore.h"
#include "orvanel/game/SpawnedCreatures.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"
#include "orvanel/load/Stages.h"
#include "orvanel/run/Config.h"
#include "orvanel/run/Logger.h"
#include "orvanel/run/Uses.h"

namespace {

// The configuration the plugin runs on, replaced whole; a run holds the one it
// began with until it ends, so that a reload inside it frees nothing it reads.
std::shared_ptr<const ConfigState>& CurrentConfig() {
  static std::shared_ptr<const ConfigState> config = std::make_shared<const ConfigState>();
  return config;
}

void ReplaceConfig(ConfigState fresh) { CurrentConfig() = std::make_shared<const ConfigState>(std::move(fresh)); }

// The uses that cooldowns and use limits count, open while the plugin is
// loaded with the Cooldowns feature on; a reload keeps them.
std::unique_ptr<UseStore>& Uses() {
  static std::unique_ptr<UseStore> uses;
  return uses;
}

// What the host holds of the plugin: each registration's row and text, in the
// order made. Load adds to it only what the host took; Unload removes exactly it.
struct Registration {
  const CommandRow* row;
  WideString text;
};

std::vector<Registration>& Registrations() {
  static std::vector<Registration> registrations;
  return registrations;
}

void Register(TalvexApi::ICommands& commands, std::size_t index, const FString& text) {
  if (kCommandRows[index].kind == CommandKind::Chat)
    commands.RegisterChatCommand(text, [index](AShooterPlayerController* player, FString* message,
                                               EChatSendMode::Type) { RunCommand(index, player, message); });
  else
    commands.RegisterConsoleCommand(text, [index](APlayerController* player, FString* line, bool) {
      RunCommand(index, static_cast<AShooterPlayerController*>(player), line);
    });
}

// Asks the host to remove every registration, in the order made. A removal
// that fails does not keep the next ones from running, since a command left
// registered would call into a library that is gone; the first failure is returned.
std::exception_ptr RemoveRegistrations(TalvexApi::ICommands& commands) {
  std::exception_ptr first_failure;
  for (const Registration& registration : std::exchange(Registrations(), {})) {
    try {
      const FString text(registration.text);
      if (registration.row->kind == CommandKind::Chat)
        commands.UnregisterChatCommand(text);
      else
        commands.UnregisterConsoleCommand(text);
    } catch (...) {
      if (!first_failure) first_failure = std::current_exception();
    }
  }
  return first_failure;
}

// Every engine text and array lives in the game's allocator: without both of
// its functions the plugin offers nothing.
void RequireGameAllocator() {
  ResolveGameFunction(kGameReallocMember);
  ResolveGameFunction(kGameFreeMember);
}

}  // namespace

const ConfigState& LoadedConfig() { return *CurrentConfig(); }

void RunCommand(std::size_t index, AShooterPlayerController* player, const FString* line) noexcept {
  const CommandRow& row = kCommandRows[index];
  try {
    const std::shared_ptr<const ConfigState> config = CurrentConfig();
    const CommandSettings* settings = config->settings.Command(row.key);
    if (settings == nullptr) return;
    const FString no_line;
    Run run{
        CommandContext{
            player, line != nullptr ? *line : no_line, row, *settings, *config, Uses().get(), ReplaceConfig, {}, {}},
        {}};
    RunStages(run, kCommandHandlers[index]);
  } catch (const std::exception& failure) {
    // The run could not begin (no memory for its context).
    if (GetLogger()) GetLogger()->error("The command {} failed: {}", row.key, EscapeLogText(failure.what()));
  } catch (...) {
    if (GetLogger()) GetLogger()->error("The command {} failed: {}", row.key, "unknown exception");
  }
}

void Load() {
  BuildLogger();
  RequireGameAllocator();
  TalvexApi::ICommands& commands = TalvexApi::GetCommands();
  const std::string path = GetConfigPath();
  ReplaceConfig(LoadConfigState(path, ReadConfigFile(path)));
  const Settings& settings = LoadedConfig().settings;
  BuildAuditLogger(settings);
  try {
    for (std::size_t index = 0; index < kCommandCount; ++index) {
      const CommandSettings* entry = settings.Command(kCommandRows[index].key);
      if (!Registers(entry)) continue;
      WideString text = WidenSystemText(entry->command);
      Register(commands, index, FString(text));
      Registrations().push_back({&kCommandRows[index], std::move(text)});
    }
  } catch (...) {
    // A load that fails offers no commands, wherever it failed: the ones
    // registered before the failure are withdrawn, so that the later Unload
    // has nothing left to remove. The load's own failure is the one reported.
    RemoveRegistrations(commands);
    throw;
  }
  if (settings.FeatureEnabled(kCooldownsFeature)) Uses() = OpenUses(settings.features.at(kCooldownsFeature).store);
}

void Unload() {
  ForgetSpawnedCreatures();
  ForgetPlacesBefore();
  Uses().reset();
  GetAuditLogger().reset();
  if (const std::exception_ptr failure = RemoveRegistrations(TalvexApi::GetCommands())) std::rethrow_exception(failure);
}
