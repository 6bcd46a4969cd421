// Answers to players: a chat line from a sender, formatted through fmt. Every
// text handed to the game is a deep copy in game memory, which the game frees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include <fmt/format.h>
#include <fmt/xchar.h>

#include "orvanel/host/Engine.h"
#include "orvanel/host/Text.h"

// The game's chat message, as the controller's chat function takes it: by
// value, so its texts travel as raw buffers.
struct ChatMessageRecord {
  RawText SenderName;
  RawText SenderSteamName;
  RawText SenderTribeName;
  uint32_t SenderId;
  RawText Message;
  RawText Receiver;
  int32_t SenderTeamIndex;
  double ReceivedTime;
  uint8_t SendMode;
  uint32_t RadioFrequency;
  uint8_t ChatType;
  void* SenderIcon;
  RawText UserId;
};
static_assert(sizeof(ChatMessageRecord) == 144);
static_assert(offsetof(ChatMessageRecord, Message) == 56);
static_assert(offsetof(ChatMessageRecord, ReceivedTime) == 96);
static_assert(offsetof(ChatMessageRecord, SendMode) == 104);
static_assert(offsetof(ChatMessageRecord, RadioFrequency) == 108);
static_assert(offsetof(ChatMessageRecord, ChatType) == 112);
static_assert(offsetof(ChatMessageRecord, SenderIcon) == 120);
static_assert(offsetof(ChatMessageRecord, UserId) == 128);

// The sender every command answers from.
FString SystemSender();

// A pattern formatted without arguments: "{{" and "}}" become single braces,
// a lone brace throws fmt's format error.
WideString FormatWidePattern(WideStringView pattern);

// Sends `text` as it stands to `player` as one chat line from `sender`.
void SendChatLine(AShooterPlayerController* player, const FString& sender, WideStringView text);

WideString WidenPatternResult(std::wstring_view text);
std::wstring WidenForPattern(WideStringView text);

// Narrow format: bytes of 0x80 and above reach the player as '?'.
template <typename... Args>
void SendReply(AShooterPlayerController* player, const FString& sender, std::string_view format, Args&&... args) {
  SendChatLine(player, sender, WidenAsciiText(fmt::format(fmt::runtime(format), std::forward<Args>(args)...)));
}

// UTF-8 format, for texts that carry names from the config: every character
// reaches the player as written.
template <typename... Args>
void SendUtf8Reply(AShooterPlayerController* player, const FString& sender, std::string_view format, Args&&... args) {
  SendChatLine(player, sender, WidenUtf8Text(fmt::format(fmt::runtime(format), std::forward<Args>(args)...)));
}

template <typename... Args>
void SendReply(AShooterPlayerController* player, const FString& sender, WideStringView format, Args&&... args) {
  const std::wstring pattern = WidenForPattern(format);
  SendChatLine(player, sender, WidenPatternResult(fmt::format(fmt::runtime(pattern), std::forward<Args>(args)...)));
}
