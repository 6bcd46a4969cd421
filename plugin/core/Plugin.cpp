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
  GetConfig();
  TalvexApi::ICommands& commands = TalvexApi::GetCommands();
  ReadConfig();
  BuildCommandSettings(GetConfig());
  for (const CommandRegistration& registration : kCommandTable) {
    AddCommandByKey(registration.key, [&](const WideString& text) {
      const FString command(text);
      if (registration.chat != nullptr)
        commands.RegisterChatCommand(command, TalvexApi::ChatCommandCallback(registration.chat));
      else
        commands.RegisterConsoleCommand(command, TalvexApi::ConsoleCommandCallback(registration.console));
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
  // The file and every entry are read before anything changes: a reload that
  // fails leaves the document and the settings exactly as they were.
  nlohmann::json fresh = ParseConfigFile();
  RefreshCommandSettings(fresh);
  GetConfig().swap(fresh);
  SendReply(static_cast<AShooterPlayerController*>(player), SystemSender(), "Test config reloaded!");
}
