// Game members that every command reaches: chat, class objects and class tests,
// and the basic fields of controllers, actors and characters.
#include <cstddef>
#include <utility>

#include "sandbox/game/Memory.h"
#include "sandbox/game/Names.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/Utf8.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

// The game's chat message, 144 bytes. The plugin fills the sender and the
// message; every other field must hold its empty value, and the received time
// -1.0 (not yet received).
struct ChatMessage {
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
static_assert(sizeof(ChatMessage) == 144);
static_assert(offsetof(ChatMessage, Message) == 56 && offsetof(ChatMessage, ReceivedTime) == 96);
static_assert(offsetof(ChatMessage, RadioFrequency) == 108 && offsetof(ChatMessage, UserId) == 128);

constexpr const char* kChatMessage = "AShooterPlayerController.ClientChatMessage";

// A text the game takes over: its buffer is freed, whatever the checks say.
struct TakenText {
  WideString characters;
  bool empty;       // no buffer, count 0, capacity 0
  bool terminated;  // a buffer whose count includes its final NUL
};

TakenText TakeText(RawText& text) {
  TakenText taken{{}, text.Data == nullptr && text.ArrayNum == 0 && text.ArrayMax == 0, false};
  if (text.Data != nullptr && text.ArrayNum > 0 && text.ArrayMax >= text.ArrayNum) {
    taken.terminated = text.Data[text.ArrayNum - 1] == TCHAR(0);
    taken.characters.assign(text.Data, std::size_t(text.ArrayNum - 1));
  }
  Free(text.Data);
  text = RawText{};
  return taken;
}

// The record arrives by value: this copy is the game's, and so are its texts.
void ClientChatMessage(Object* object, ChatMessage message) {
  auto* player = Expect<Controller>(object, classes::AShooterPlayerController, kChatMessage);
  const TakenText sender = TakeText(message.SenderName);
  const TakenText text = TakeText(message.Message);
  const char* notEmpty = nullptr;
  const std::pair<RawText*, const char*> others[] = {{&message.SenderSteamName, "steam name"},
                                                     {&message.SenderTribeName, "tribe name"},
                                                     {&message.Receiver, "receiver"},
                                                     {&message.UserId, "user id"}};
  for (const auto& [other, name] : others)
    if (!TakeText(*other).empty && notEmpty == nullptr) notEmpty = name;
  auto fail = [](const std::string& what) { Fail(std::string(kChatMessage) + " was given a record " + what); };
  if (!sender.terminated) fail("whose sender is not a NUL-terminated text");
  if (!text.terminated && !text.empty) fail("whose message is neither empty nor a NUL-terminated text");
  if (notEmpty != nullptr) fail("whose " + std::string(notEmpty) + " is not empty");
  if (message.SenderId != 0 || message.SenderTeamIndex != 0)
    fail("with sender id " + std::to_string(message.SenderId) + " and team index " +
         std::to_string(message.SenderTeamIndex) + " (both must be 0)");
  if (message.ReceivedTime != -1.0) fail("with received time " + std::to_string(message.ReceivedTime) + ", not -1");
  if (message.SendMode != 0 || message.RadioFrequency != 0 || message.ChatType != 0)
    fail("with send mode " + std::to_string(message.SendMode) + ", radio frequency " +
         std::to_string(message.RadioFrequency) + " and chat type " + std::to_string(message.ChatType) +
         " (all must be 0)");
  if (message.SenderIcon != nullptr) fail("with a sender icon");
  RecordCall(kChatMessage, {ObjectRef(player),
                            ToUtf8(sender.characters),
                            ToUtf8(text.characters),
                            {{"senderId", message.SenderId},
                             {"senderTeamIndex", message.SenderTeamIndex},
                             {"receivedTime", message.ReceivedTime},
                             {"sendMode", message.SendMode},
                             {"radioFrequency", message.RadioFrequency},
                             {"chatType", message.ChatType},
                             {"messageEmpty", text.empty}}});
  Emit({{"event", "chat"},
        {"to", player->name},
        {"sender", ToUtf8(sender.characters)},
        {"text", ToUtf8(text.characters)}});
}

bool IsA(Object* object, ClassObject* class_object) {
  if (object == nullptr || class_object == nullptr) Fail("UObjectBaseUtility.IsA called with a null object or class");
  if (class_object->cls != &classes::UClass) Fail("UObjectBaseUtility.IsA called with an object that is not a class");
  return Derives(object->cls, class_object->described);
}

template <const Class& Of>
ClassObject* StaticClassOf() {
  return ClassObjectFor(&Of);
}

const bool core_members_registered = [] {
  RegisterFunction("AShooterPlayerController.ClientChatMessage", &ClientChatMessage);
  RegisterFunction("UObjectBaseUtility.IsA", &IsA);
  RegisterFunction("UObject.StaticClass", &StaticClassOf<classes::UObject>);
  RegisterFunction("UClass.StaticClass", &StaticClassOf<classes::UClass>);
  RegisterFunction("APrimalCharacter.GetPrivateStaticClass", &StaticClassOf<classes::APrimalCharacter>);
  RegisterFunction("AShooterPlayerController.GetPrivateStaticClass", &StaticClassOf<classes::AShooterPlayerController>);
  RegisterFunction("APrimalDinoCharacter.GetPrivateStaticClass", &StaticClassOf<classes::APrimalDinoCharacter>);

  SIM_FIELD("AController.Character", classes::AController, Controller, Character);
  SIM_FIELD("AController.PlayerState", classes::AController, Controller, PlayerState);
  SIM_FIELD("AShooterPlayerController.LinkedPlayerID", classes::AShooterPlayerController, Controller, LinkedPlayerID);
  SIM_FIELD("AActor.TargetingTeam", classes::AActor, Actor, TargetingTeam);
  SIM_FIELD("AActor.DefaultActorLocation", classes::AActor, Actor, DefaultActorLocation);
  SIM_FIELD("AActor.RootComponent", classes::AActor, Actor, RootComponent);
  SIM_FIELD("APrimalCharacter.MyCharacterStatusComponent", classes::APrimalCharacter, Character, status);
  SIM_FIELD("APrimalCharacter.MyInventoryComponent", classes::APrimalCharacter, Character, inventory);
  SIM_FIELD("UPrimalCharacterStatusComponent.MaxStatusValues", classes::UPrimalCharacterStatusComponent,
            StatusComponent, MaxStatusValues);
  SIM_FIELD("UPrimalCharacterStatusComponent.CurrentStatusValues", classes::UPrimalCharacterStatusComponent,
            StatusComponent, CurrentStatusValues);
  return true;
}();

}  // namespace
}  // namespace sim
