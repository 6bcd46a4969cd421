#include "orvanel/core/Plugin.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "orvanel/commands/Commands.h"
#include "orvanel/core/CommandKeys.h"
#include "orvanel/core/Config.h"
#include "orvanel/core/Features.h"
#include "orvanel/core/Logger.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/core/Reply.h"
#include "orvanel/core/Settings.h"

namespace {

using ChatHandler = void (*)(AShooterPlayerController*, FString*, EChatSendMode::Type);
using ConsoleHandler = void (*)(APlayerController*, FString*, bool);

// One registrable command: a chat handler or a console handler.
struct CommandRegistration {
  const char* key;
  ChatHandler chat;
  ConsoleHandler console;
};

// Registered in this order at Load, and removed in the same order at Unload.
// One row a command, kept so by the formatter:
// clang-format off
const CommandRegistration kCommandTable[] = {
    {kHealthChatKey, HealthChatCommand, nullptr},
    {kReloadConfigKey, nullptr, ReloadConfig},
    {kHealthConsoleKey, nullptr, HealthConsoleCommand},
    {kItemTemplateKey, nullptr, ItemTemplateCommand},
    {kSpawnTemplateKey, nullptr, SpawnTemplateCommand},
    {kTeleportToKey, nullptr, TeleportToCommand},
};
// clang-format on

void LogStop(const char* key, const UnavailableMember& missing) {
  if (GetLogger()) GetLogger()->error("The command {} stopped: {}", key, missing.what());
}

// Reports a finished run and forgets it: a reply that cannot be sent stops
// the report as it would stop a command.
void FinishCommand(const char* key, AShooterPlayerController* player, const FString* line) {
  const CommandOutcome outcome = std::exchange(RunningOutcome(), CommandOutcome{});
  try {
    ReportCommand(key, player, line, outcome);
  } catch (const UnavailableMember& missing) {
    LogStop(key, missing);
  }
}

// Runs one command's handler for `player` typing `line`, when the caller may
// use it: every command passes this one check, and every run is reported. A
// game member that the host does not resolve stops the command where it was
// met; what it did before stays done, the stop is logged once, and the server
// goes on. Any other exception goes on to the host once the run is reported.
template <typename Call>
void RunCommand(const char* key, AShooterPlayerController* player, const FString* line, Call call) {
  RunningOutcome() = CommandOutcome{};
  try {
    if (MayRunCommand(key, player))
      call();
    else
      RunningOutcome().kind = OutcomeKind::Refused;
  } catch (const UnavailableMember& missing) {
    LogStop(key, missing);
    RunningOutcome().kind = OutcomeKind::Stopped;
    RunningOutcome().reason = missing.what();
  } catch (...) {
    if (RunningOutcome().kind == OutcomeKind::None) RunningOutcome().kind = OutcomeKind::Failed;
    FinishCommand(key, player, line);
    throw;
  }
  FinishCommand(key, player, line);
}

// Every engine text and array lives in the game's allocator: without both of
// its functions the plugin offers nothing.
void RequireGameAllocator() {
  ResolveGameFunction("FMemory.Realloc");
  ResolveGameFunction("FMemory.Free");
}

std::vector<WideString>& RegisteredTexts() {
  static std::vector<WideString> texts;
  return texts;
}

// Asks the host to remove each enabled command, in table order, or with
// `only_registered` only those the host holds. A removal that fails does not
// keep the next ones from running, since a command left registered would call
// into a library that is gone; the first failure is returned.
std::exception_ptr RemoveRegisteredCommands(TalvexApi::ICommands& commands, bool only_registered) {
  std::exception_ptr first_failure;
  for (const CommandRegistration& registration : kCommandTable) {
    const CommandSettings* settings = GetCommandSettings(registration.key);
    if (only_registered && (settings == nullptr || std::find(RegisteredTexts().begin(), RegisteredTexts().end(),
                                                             settings->command) == RegisteredTexts().end()))
      continue;
    try {
      RemoveCommandByKey(registration.key, [&](const WideString& text) {
        const FString command(text);
        if (registration.chat != nullptr)
          commands.UnregisterChatCommand(command);
        else
          commands.UnregisterConsoleCommand(command);
      });
    } catch (...) {
      if (!first_failure) first_failure = std::current_exception();
    }
  }
  return first_failure;
}

}  // namespace

void AddCommandByKey(std::string key, CommandTextAction add) {
  const CommandSettings* settings = GetCommandSettings(key);
  if (settings == nullptr || !settings->enabled || settings->command.empty()) return;
  RegisteredTexts().push_back(settings->command);
  try {
    add(RegisteredTexts().back());
  } catch (...) {
    // The host has not taken it: the list holds only what it holds.
    RegisteredTexts().pop_back();
    throw;
  }
}

void RemoveCommandByKey(std::string key, CommandTextAction remove) {
  const CommandSettings* settings = GetCommandSettings(key);
  if (settings == nullptr || !settings->enabled || settings->command.empty()) return;
  const WideString text = settings->command;
  std::erase(RegisteredTexts(), text);
  remove(text);
}

void Load() {
  BuildLogger();
  RequireGameAllocator();
  GetConfig();
  TalvexApi::ICommands& commands = TalvexApi::GetCommands();
  ReadConfig();
  BuildCommandSettings(GetConfig());
  try {
    for (const CommandRegistration& registration : kCommandTable) {
      AddCommandByKey(registration.key, [&](const WideString& text) {
        const FString command(text);
        const char* key = registration.key;
        if (ChatHandler chat = registration.chat)
          commands.RegisterChatCommand(
              command, [key, chat](AShooterPlayerController* player, FString* message, EChatSendMode::Type mode) {
                RunCommand(key, player, message, [&] { chat(player, message, mode); });
              });
        else if (ConsoleHandler console = registration.console)
          commands.RegisterConsoleCommand(command, [key, console](APlayerController* player, FString* line, bool flag) {
            RunCommand(key, static_cast<AShooterPlayerController*>(player), line, [&] { console(player, line, flag); });
          });
      });
    }
  } catch (...) {
    // A load that fails offers no commands, wherever it failed: the ones
    // registered before the failure are withdrawn, and with the settings
    // cleared the later Unload has nothing left to remove. The load's own
    // failure is the one reported.
    RemoveRegisteredCommands(commands, true);
    ClearCommandSettings();
    throw;
  }
}

void Unload() {
  GetConfig();
  if (const std::exception_ptr failure = RemoveRegisteredCommands(TalvexApi::GetCommands(), false))
    std::rethrow_exception(failure);
}

void ReloadConfig(APlayerController* player, FString*, bool) {
  GetConfig();
  // The file and every entry are read, and checked as the next load will check
  // them, before anything changes: a reload that fails leaves the document and
  // the settings exactly as they were.
  RunningOutcome().kind = OutcomeKind::ReloadFailed;
  nlohmann::json fresh = ParseConfigFile();
  RefreshCommandSettings(fresh);
  GetConfig().swap(fresh);
  RunningOutcome().kind = OutcomeKind::Reloaded;
  SendReply(static_cast<AShooterPlayerController*>(player), SystemSender(), "Test config reloaded!");
}
