#include "orvanel/run/Reply.h"

#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"
#include "orvanel/host/Text.h"

namespace {

RawText CopyText(WideStringView text) {
  FString copy(text);
  return RawText{std::exchange(copy.Data, nullptr), std::exchange(copy.ArrayNum, 0), std::exchange(copy.ArrayMax, 0)};
}

}  // namespace

FString SystemSender() { return FString(WidenAsciiText("[system]")); }

// fmt formats wchar_t; engine text is 16-bit everywhere, so each unit is
// carried across unchanged and back.
std::wstring WidenForPattern(WideStringView text) { return std::wstring(text.begin(), text.end()); }

WideString WidenPatternResult(std::wstring_view text) {
  WideString result;
  result.reserve(text.size());
  for (const wchar_t unit : text) result.push_back(static_cast<TCHAR>(unit));
  return result;
}

WideString FormatWidePattern(WideStringView pattern) {
  return WidenPatternResult(fmt::format(fmt::runtime(WidenForPattern(pattern))));
}

void SendChatLine(AShooterPlayerController* player, const FString& sender, WideStringView text) {
  // Resolved before the record's texts are made: the game takes them over only
  // through the call, so a chat function the host lacks must leave none behind.
  auto* send = GameFunction(AShooterPlayerControllerClientChatMessage());
  const FString message(text);
  ChatMessageRecord record{};
  record.SenderName = CopyText(sender.View());
  record.Message = CopyText(message.View());
  record.ReceivedTime = -1.0;
  // The game takes over the record and its texts.
  send(player, record);
}
