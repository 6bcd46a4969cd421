// Game members that every command reaches: chat, class objects and class tests,
// and the basic fields of controllers, actors and characters.
#include "sandbox/game/Memory.h"
#include "sandbox/game/Names.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

// The game's chat message; only the sender and the message are read here.
struct ChatMessage {
  RawText SenderName;
  unsigned char unread1[40];
  RawText Message;
  unsigned char unread2[72];
};
static_assert(sizeof(ChatMessage) == 144);

WideString TakeText(RawText& text) {
  WideString characters;
  if (text.Data != nullptr && text.ArrayNum > 0) characters.assign(text.Data, std::size_t(text.ArrayNum - 1));
  Free(text.Data);
  text = RawText{};
  return characters;
}

// The record arrives by value: this copy is the game's, and so are its texts.
void ClientChatMessage(Object* object, ChatMessage message) {
  auto* player =
      Expect<Controller>(object, classes::AShooterPlayerController, "AShooterPlayerController.ClientChatMessage");
  const WideString sender = TakeText(message.SenderName);
  const WideString text = TakeText(message.Message);
  RecordCall("AShooterPlayerController.ClientChatMessage",
             {ObjectRef(player), ToUtf8(sender), ToUtf8(text)});
  Emit({{"event", "chat"}, {"to", player->name}, {"sender", ToUtf8(sender)}, {"text", ToUtf8(text)}});
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

const bool registered = [] {
  RegisterFunction("AShooterPlayerController.ClientChatMessage", &ClientChatMessage);
  RegisterFunction("UObjectBaseUtility.IsA", &IsA);
  RegisterFunction("UObject.StaticClass", &StaticClassOf<classes::UObject>);
  RegisterFunction("UClass.StaticClass", &StaticClassOf<classes::UClass>);
  RegisterFunction("APrimalCharacter.GetPrivateStaticClass", &StaticClassOf<classes::APrimalCharacter>);
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
