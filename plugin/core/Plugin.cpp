#include "orvanel/core/Plugin.h"

#include <chrono>
#include <ctime>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "orvanel/commands/Commands.h"
#include "orvanel/core/Config.h"
#include "orvanel/core/ConfigPath.h"
#include "orvanel/core/Features.h"
#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/Logger.h"
#include "orvanel/core/Reply.h"
#include "orvanel/core/UseJournal.h"
#include "orvanel/game/SpawnedCreatures.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"

namespace {

Settings& MutableSettings() {
  static Settings settings;
  return settings;
}

// What the host holds of the plugin: each registration's row and text, in the
// order made. Load adds to it only what the host took; Unload removes exactly it.
struct Registration {
  const CommandRow* row;
  WideString text;
};

// The uses that cooldowns and use limits count, open while the plugin is
// loaded with the Cooldowns feature on; a reload keeps them.
std::unique_ptr<UseStore>& Uses() {
  static std::unique_ptr<UseStore> uses;
  return uses;
}

// The moment a file is moved aside, in its name: YYYYMMDD-HHMMSS, UTC.
std::string FileStamp() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm parts{};
#if defined(_WIN32)
  gmtime_s(&parts, &now);
#else
  gmtime_r(&now, &parts);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &parts);
  return text;
}

void OpenUses() {
  const std::string path = TalvexApi::Tools::GetCurrentDir() + "/" + kPluginFolder + "/" + kUseJournalFile;
  UseJournalOpening opening = OpenUseJournal(path, FileStamp());
  Uses() = std::move(opening.store);
  if (opening.failure.empty() || !GetLogger()) return;
  if (!opening.movedTo.empty())
    GetLogger()->error("The use store {} could not be read ({}); it was moved to {}, and uses are counted anew", path,
                       opening.failure, opening.movedTo.string());
  else
    GetLogger()->error("The use store {} cannot be kept ({}); uses are counted until the plugin is unloaded", path,
                       opening.failure);
}

std::vector<Registration>& Registrations() {
  static std::vector<Registration> registrations;
  return registrations;
}

void LogStop(const char* key, const UnavailableMember& missing) {
  if (GetLogger()) GetLogger()->error("The command {} stopped: {}", key, missing.what());
}

void LogFailure(const char* key, const char* reason) {
  if (GetLogger()) GetLogger()->error("The command {} failed: {}", key, reason);
}

// Reports a finished run: a reply that cannot be sent stops the report as it
// would stop a command.
void FinishCommand(const CommandContext& context, const CommandOutcome& outcome) {
  try {
    TellPlayerActedOn(context, outcome);
    CountUse(context, outcome);
    ReportCommand(LoadedSettings(), context, outcome);
  } catch (const UnavailableMember& missing) {
    LogStop(context.row.key, missing);
  }
}

// Runs the handler of the row at `index` for `player` typing `line`, when the
// caller may use it: every command passes this one check, and every run is
// reported. A game member that the host does not resolve stops the command
// where it was met; what it did before stays done, the stop is logged once, and
// the server goes on. Any other failure is logged with the command's key and
// reported as well: nothing leaves the plugin into the host, whose handling of
// an exception from a plugin's callback is not known.
void RunCommand(std::size_t index, AShooterPlayerController* player, const FString* line) noexcept {
  const CommandRow& row = kCommandRows[index];
  try {
    const CommandSettings* settings = LoadedSettings().Command(row.key);
    if (settings == nullptr) return;
    const FString no_line;
    const CommandContext context{player,      line != nullptr ? *line : no_line, row, *settings, LoadedSettings(),
                                 Uses().get()};
    CommandOutcome outcome;
    try {
      if (MayRunCommand(LoadedSettings(), context))
        outcome = kCommandHandlers[index](context);
      else
        outcome.kind = OutcomeKind::Refused;
    } catch (const UnavailableMember& missing) {
      LogStop(row.key, missing);
      outcome.kind = OutcomeKind::Stopped;
      outcome.reason = missing.what();
    } catch (const std::exception& failure) {
      LogFailure(row.key, failure.what());
      outcome.kind = OutcomeKind::Failed;
      outcome.reason = JsonErrorWithPlace(failure.what());
    } catch (...) {
      LogFailure(row.key, "unknown exception");
      outcome.kind = OutcomeKind::Failed;
      outcome.reason = "unknown exception";
    }
    FinishCommand(context, outcome);
  } catch (const std::exception& failure) {
    // The report itself failed (the game had no memory for a reply).
    LogFailure(row.key, failure.what());
  } catch (...) {
    LogFailure(row.key, "unknown exception");
  }
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

const Settings& LoadedSettings() { return MutableSettings(); }

void Load() {
  BuildLogger();
  RequireGameAllocator();
  GetConfig();
  TalvexApi::ICommands& commands = TalvexApi::GetCommands();
  ReadConfig();
  MutableSettings() = ReadSettings(GetConfig());
  BuildAuditLogger(LoadedSettings());
  try {
    for (std::size_t index = 0; index < kCommandCount; ++index) {
      const CommandSettings* settings = LoadedSettings().Command(kCommandRows[index].key);
      if (settings == nullptr || !settings->enabled || settings->command.empty()) continue;
      WideString text = WidenSystemText(settings->command);
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
  if (LoadedSettings().FeatureEnabled(kCooldownsFeature)) OpenUses();
}

void Unload() {
  ForgetSpawnedCreatures();
  Uses().reset();
  GetAuditLogger().reset();
  GetConfig();
  if (const std::exception_ptr failure = RemoveRegistrations(TalvexApi::GetCommands())) std::rethrow_exception(failure);
}

void ApplySavedMember(std::string text, const std::vector<std::string>& path, const std::string& name,
                      const nlohmann::json& value) {
  nlohmann::json* document = &GetConfig();
  for (const std::string& key : path) document = &(*document)[key];
  (*document)[name] = value;
  GetConfigText().swap(text);
  // The record's copy of its entry, as a reload refreshes it: only a record
  // that was loaded has one.
  if (path.size() < 2 || path[0] != "Commands") return;
  const auto record = MutableSettings().commands.find(path[1]);
  if (record == MutableSettings().commands.end()) return;
  nlohmann::json* entry = &record->second.entry;
  for (std::size_t at = 2; at < path.size(); ++at) entry = &(*entry)[path[at]];
  (*entry)[name] = value;
}

CommandOutcome ReloadConfigCommand(const CommandContext& context) {
  // The file and every entry are read, and checked as the next load will check
  // them, before anything changes: a reload that fails leaves the document and
  // the settings exactly as they were.
  std::string bytes;
  nlohmann::json fresh = ParseConfigFile(&bytes);
  Settings read = ReadSettings(fresh);
  const std::vector<std::string> unapplied = UnappliedChanges(MutableSettings(), read);
  RefreshSettings(MutableSettings(), std::move(read));
  GetConfig().swap(fresh);
  GetConfigText().swap(bytes);
  SendReply(context.caller, SystemSender(), "Test config reloaded!");
  // A reload must not claim what it did not do: what only a load applies is named.
  if (!unapplied.empty()) {
    std::string text = "Not applied until the plugin is loaded again: ";
    for (std::size_t at = 0; at < unapplied.size(); ++at) text += (at == 0 ? "" : ", ") + unapplied[at];
    text += ".";
    if (GetLogger()) GetLogger()->warn("{}", text);
    SendUtf8Reply(context.caller, SystemSender(), "{}", text);
  }
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  return outcome;
}
