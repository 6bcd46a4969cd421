#include "orvanel/core/Plugin.h"

#include <algorithm>

#include "orvanel/commands/Commands.h"
#include "orvanel/core/CommandKeys.h"
#include "orvanel/core/Config.h"
#include "orvanel/core/Logger.h"
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
const CommandRegistration kCommandTable[] = {
    {kHealthChatKey, HealthChatCommand, nullptr},
    {kReloadConfigKey, nullptr, ReloadConfig},
    {kHealthConsoleKey, nullptr, HealthConsoleCommand},
    {kItemTemplateKey, nullptr, ItemTemplateCommand},
    {kSpawnTemplateKey, nullptr, SpawnTemplateCommand},
    {kTeleportToKey, nullptr, TeleportToCommand},
};

// Runs one command's handler. A game member that the host does not resolve
// stops the command where it was met; what it did before stays done, the stop
// is logged once, and the server goes on.
template <typename Call>
void RunCommand(const char* key, Call call) {
  try {
    call();
  } catch (const UnavailableMember& missing) {
    if (GetLogger()) GetLogger()->error("The command {} stopped: {}", key, missing.what());
  }
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

}  // namespace

void AddCommandByKey(std::string key, CommandTextAction add) {
  const CommandSettings* settings = GetCommandSettings(key);
  if (settings == nullptr || !settings->enabled || settings->command.empty()) return;
  RegisteredTexts().push_back(settings->command);
  add(RegisteredTexts().back());
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
  for (const CommandRegistration& registration : kCommandTable) {
    AddCommandByKey(registration.key, [&](const WideString& text) {
      const FString command(text);
      const char* key = registration.key;
      if (ChatHandler chat = registration.chat)
        commands.RegisterChatCommand(
            command, [key, chat](AShooterPlayerController* player, FString* message, EChatSendMode::Type mode) {
              RunCommand(key, [&] { chat(player, message, mode); });
            });
      else if (ConsoleHandler console = registration.console)
        commands.RegisterConsoleCommand(command, [key, console](APlayerController* player, FString* line, bool flag) {
          RunCommand(key, [&] { console(player, line, flag); });
        });
    });
  }
}

void Unload() {
  GetConfig();
  TalvexApi::ICommands& commands = TalvexApi::GetCommands();
  for (const CommandRegistration& registration : kCommandTable) {
    RemoveCommandByKey(registration.key, [&](const WideString& text) {
      const FString command(text);
      if (registration.chat != nullptr)
        commands.UnregisterChatCommand(command);
      else
        commands.UnregisterConsoleCommand(command);
    });
  }
}

void ReloadConfig(APlayerController* player, FString*, bool) {
  GetConfig();
  // The file and every entry are read, and checked as the next load will check
  // them, before anything changes: a reload that fails leaves the document and
  // the settings exactly as they were.
  nlohmann::json fresh = ParseConfigFile();
  RefreshCommandSettings(fresh);
  GetConfig().swap(fresh);
  SendReply(static_cast<AShooterPlayerController*>(player), SystemSender(), "Test config reloaded!");
}
