// The host framework's interface as the plugin uses it: command registration,
// the utility interface, tools, the shared log sinks and name resolution of game
// members. Only what the plugin calls is declared; virtual slots keep their positions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <spdlog/sinks/sink.h>

#include "orvanel/host/Engine.h"

namespace TalvexApi {

using ChatCommandCallback = std::function<void(AShooterPlayerController*, FString*, EChatSendMode::Type)>;
using ConsoleCommandCallback = std::function<void(APlayerController*, FString*, bool)>;

// Slots count from 0 in declaration order; the Unused slots are never called.
class ICommands {
 public:
  virtual void Unused0() = 0;
  virtual void RegisterChatCommand(const FString& command, const ChatCommandCallback& callback) = 0;
  virtual void RegisterConsoleCommand(const FString& command, const ConsoleCommandCallback& callback) = 0;
  virtual void Unused3() = 0;
  virtual void Unused4() = 0;
  virtual void Unused5() = 0;
  virtual void Unused6() = 0;
  virtual bool UnregisterChatCommand(const FString& command) = 0;
  virtual bool UnregisterConsoleCommand(const FString& command) = 0;

 protected:
  ~ICommands() = default;
};

class IApiUtils {
 public:
  virtual void Unused0() = 0;
  virtual UWorld* GameWorld() = 0;

  // The online player with that Steam id, or null.
  AShooterPlayerController* FindPlayerFromSteamId(uint64_t steam_id) const;
  static uint64_t GetSteamIdFromController(AController* controller);

 protected:
  ~IApiUtils() = default;
};

// Where a bit field lives: the 32-bit word that holds it, its first bit, its width.
struct BitField {
  uint64_t Offset;
  uint32_t BitPosition;
  uint64_t NumBits;
};
static_assert(sizeof(BitField) == 24);

ICommands& GetCommands();
IApiUtils& GetApiUtils();
std::vector<spdlog::sink_ptr>& GetLogSinks();

// GetAddress, the resolution of game functions and fields, is in Engine.h.
BitField GetBitField(const void* object, const std::string& name);
BitField GetBitField(void* object, const std::string& name);

namespace Tools {
// The directory the plugin tree lies under, without a trailing separator.
std::string GetCurrentDir();
WideString ConvertToWideStr(const std::string& text);
}  // namespace Tools

}  // namespace TalvexApi
