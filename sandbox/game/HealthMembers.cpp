// Creatures as the health survey sees them: the actor list by class, component
// locations, name tags and their text, and the on-screen notification.
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>

#include "sandbox/game/Memory.h"
#include "sandbox/game/Names.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/Utf8.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

// The engine's array of actor pointers, as the plugin hands it over.
struct ActorArray {
  Object** Data;
  int32_t ArrayNum;
  int32_t ArrayMax;
};

// A 32-bit float as JSON with the digits it was written with (0.8, not 0.800000011920929).
nlohmann::json FloatJson(float value) {
  char digits[32];
  const auto written = std::to_chars(digits, digits + sizeof digits - 1, value);
  *written.ptr = '\0';
  return std::strtod(digits, nullptr);
}

// Fills `out` with every actor that is of the class or derives from it, in the
// order of the game's actor list: the players' controllers, their states and
// characters, then the creatures, then the other spawned actors. The array is
// emptied first; its storage comes from the game's allocator.
void GetAllActorsOfClass(Object* world, Object* class_object, ActorArray* out) {
  if (world == nullptr || world != GetWorld().world) Fail("UGameplayStatics.GetAllActorsOfClass needs the world");
  if (class_object == nullptr || class_object->cls != &classes::UClass)
    Fail("UGameplayStatics.GetAllActorsOfClass needs a class object");
  if (out == nullptr) Fail("UGameplayStatics.GetAllActorsOfClass was given no array");
  const Class* wanted = static_cast<ClassObject*>(class_object)->described;
  const World& state = GetWorld();
  const std::size_t most = state.players.size() * 3 + state.creatures.size() + state.actors.size();
  if (most > std::size_t(std::numeric_limits<int32_t>::max())) Fail("too many actors for an engine array");
  out->ArrayNum = 0;
  if (most > std::size_t(out->ArrayMax)) {
    // NOLINTNEXTLINE(bugprone-sizeof-expression): the array holds pointers.
    out->Data = static_cast<Object**>(Realloc(out->Data, most * sizeof(Object*)));
    out->ArrayMax = static_cast<int32_t>(most);
  }
  auto take = [&](Object* actor) {
    if (actor != nullptr && Derives(actor->cls, wanted)) out->Data[out->ArrayNum++] = actor;
  };
  for (Controller* player : state.players) {
    take(player);
    take(player->PlayerState);
    take(player->Character);
  }
  // Every creature is of the creatures' class: asked for that class or one it
  // derives from, the game takes its creature list whole, as a class-indexed
  // actor list would, without visiting each creature.
  if (Derives(&classes::APrimalDinoCharacter, wanted)) {
    std::copy(state.creatures.begin(), state.creatures.end(), out->Data + out->ArrayNum);
    out->ArrayNum += static_cast<int32_t>(state.creatures.size());
  } else {
    for (Creature* creature : state.creatures) take(creature);
  }
  for (Actor* actor : state.actors) take(actor);
  if (state.faults.actorListEmpty) out->ArrayNum = 0;
  if (CallTracing())
    RecordCall("UGameplayStatics.GetAllActorsOfClass", {ObjectRef(world), ObjectRef(class_object), out->ArrayNum});
}

FVector* GetCustomLocation(Object* object, FVector* location) {
  auto* component = Expect<SceneComponent>(object, classes::USceneComponent, "USceneComponent.GetCustomLocation");
  if (location == nullptr) Fail("USceneComponent.GetCustomLocation was given no buffer");
  *location = component->location;
  // Called once per actor: the arguments are built only when someone records them.
  if (CallTracing()) RecordCall("USceneComponent.GetCustomLocation", {ObjectRef(component)});
  return location;
}

// Fills `out` with the name's text in game memory; the empty name gives the empty text.
RawText* NameToString(const FName* name, RawText* out) {
  if (name == nullptr || out == nullptr) Fail("FName.ToString needs a name and a text to fill");
  const std::vector<WideString>& names = GetWorld().names;
  if (name->ComparisonIndex < 0 || std::size_t(name->ComparisonIndex) >= names.size())
    Fail("FName.ToString of a name the game never made (index " + std::to_string(name->ComparisonIndex) + ")");
  const WideString& text = names[std::size_t(name->ComparisonIndex)];
  Free(out->Data);
  *out = RawText{nullptr, 0, 0};
  if (text.empty()) return out;
  const std::size_t count = text.size() + 1;
  out->Data = static_cast<TCHAR*>(Realloc(nullptr, count * sizeof(TCHAR)));
  text.copy(out->Data, text.size());
  out->Data[text.size()] = 0;
  out->ArrayNum = out->ArrayMax = static_cast<int32_t>(count);
  return out;
}

// Shows `text` to the player in `color` for `seconds`; the text stays the caller's.
void ClientServerUlvaneNotificationCustom(Object* object, const RawText* text, const FLinearColor* color, float scale,
                                          float seconds, Object* icon, Object* sound) {
  auto* player = Expect<Controller>(object, classes::AShooterPlayerController,
                                    "AShooterPlayerController.ClientServerUlvaneNotificationCustom");
  if (text == nullptr || color == nullptr)
    Fail("AShooterPlayerController.ClientServerUlvaneNotificationCustom needs a text and a colour");
  WideString characters;
  if (text->Data != nullptr && text->ArrayNum > 0) characters.assign(text->Data, std::size_t(text->ArrayNum - 1));
  const nlohmann::json rgba = {FloatJson(color->R), FloatJson(color->G), FloatJson(color->B), FloatJson(color->A)};
  RecordCall("AShooterPlayerController.ClientServerUlvaneNotificationCustom",
             {ObjectRef(player), ToUtf8(characters), rgba, FloatJson(scale), FloatJson(seconds), ObjectRef(icon),
              ObjectRef(sound)});
  Emit({{"event", "notification"},
        {"to", player->name},
        {"text", ToUtf8(characters)},
        {"color", rgba},
        {"scale", FloatJson(scale)},
        {"seconds", FloatJson(seconds)}});
}

const bool health_members_registered = [] {
  RegisterFunction("UGameplayStatics.GetAllActorsOfClass", &GetAllActorsOfClass);
  RegisterFunction("USceneComponent.GetCustomLocation", &GetCustomLocation);
  RegisterFunction("FName.ToString", &NameToString);
  RegisterFunction("AShooterPlayerController.ClientServerUlvaneNotificationCustom",
                   &ClientServerUlvaneNotificationCustom);
  SIM_FIELD("APrimalDinoCharacter.DinoNameTag", classes::APrimalDinoCharacter, Creature, DinoNameTag);
  return true;
}();

}  // namespace
}  // namespace sim
