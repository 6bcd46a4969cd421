#include "sandbox/game/World.h"

#include <cstdint>
#include <string_view>

#include "sandbox/game/Names.h"

namespace sim {

bool Derives(const Class* cls, const Class* base) {
  for (; cls != nullptr; cls = cls->super)
    if (cls == base) return true;
  return false;
}

namespace classes {
const Class UObject{"UObject", nullptr};
const Class UClass{"UClass", &UObject};
const Class UWorld{"UWorld", &UObject};
const Class UActorComponent{"UActorComponent", &UObject};
const Class USceneComponent{"USceneComponent", &UActorComponent};
const Class UPrimalCharacterStatusComponent{"UPrimalCharacterStatusComponent", &UActorComponent};
const Class UPrimalInventoryComponent{"UPrimalInventoryComponent", &UActorComponent};
const Class UPrimalItem{"UPrimalItem", &UObject};
const Class AActor{"AActor", &UObject};
const Class APlayerState{"APlayerState", &AActor};
const Class AShooterPlayerState{"AShooterPlayerState", &APlayerState};
const Class APawn{"APawn", &AActor};
const Class ACharacter{"ACharacter", &APawn};
const Class APrimalCharacter{"APrimalCharacter", &ACharacter};
const Class AShooterCharacter{"AShooterCharacter", &APrimalCharacter};
const Class APrimalDinoCharacter{"APrimalDinoCharacter", &APrimalCharacter};
const Class AController{"AController", &AActor};
const Class APlayerController{"APlayerController", &AController};
const Class AShooterPlayerController{"AShooterPlayerController", &APlayerController};
}  // namespace classes

namespace {

std::unique_ptr<World>& WorldHandle() {
  static std::unique_ptr<World> world;
  return world;
}

// An object path as the game names assets: "/Package/Path.Object", with no
// blanks, quotes or control characters, and a non-empty object name.
bool WellFormedObjectPath(std::string_view path) {
  if (path.size() < 4 || path.front() != '/') return false;
  for (const char c : path)
    if (static_cast<unsigned char>(c) <= ' ' || c == '\'' || c == '"' || c == 0x7f) return false;
  const std::size_t dot = path.rfind('.');
  return dot != std::string_view::npos && dot > path.rfind('/') + 1 && dot + 1 < path.size() && path.back() != '/';
}

}  // namespace

World& GetWorld() {
  if (!WorldHandle()) ResetWorld();
  return *WorldHandle();
}

void ResetWorld() {
  WorldHandle() = std::make_unique<World>();
  ResetNameRequests();
  ForgetClassChecks();
  WorldHandle()->world = Create<WorldObject>();
}

ClassObject* ClassObjectFor(const Class* of) {
  auto& slot = GetWorld().classObjects[of];
  if (slot == nullptr) slot = Create<ClassObject>(of);
  return slot;
}

const Class* NewAssetClass(const std::string& name, const Class* super) {
  return &GetWorld().assetClasses.emplace_back(Class{name, super});
}

ClassObject* AnyItemClass(const std::string& class_path) {
  World& world = GetWorld();
  const std::string_view path(class_path);
  if (!world.anyAssets || path.size() < 3 || path.substr(path.size() - 2) != "_C" ||
      !WellFormedObjectPath(path.substr(0, path.size() - 2)))
    return nullptr;
  ClassObject*& slot = world.itemClasses[class_path];
  if (slot == nullptr) slot = ClassObjectFor(NewAssetClass(class_path, &classes::UPrimalItem));
  return slot;
}

const Class* AnyCreatureClass(const std::string& reference) {
  World& world = GetWorld();
  const std::string_view prefix = "Blueprint'";
  const std::string_view text(reference);
  if (!world.anyAssets || text.size() <= prefix.size() + 1 || text.substr(0, prefix.size()) != prefix ||
      text.back() != '\'' || !WellFormedObjectPath(text.substr(prefix.size(), text.size() - prefix.size() - 1)))
    return nullptr;
  const Class*& slot = world.creatureClasses[reference];
  if (slot == nullptr) slot = NewAssetClass(reference, &classes::APrimalDinoCharacter);
  return slot;
}

Controller* FindPlayer(const std::string& name) {
  for (Controller* player : GetWorld().players)
    if (player->name == name) return player;
  return nullptr;
}

Controller* FindPlayerBySteamId(uint64_t steam_id) {
  for (Controller* player : GetWorld().players)
    if (player->steamId == steam_id) return player;
  return nullptr;
}

Controller* OwnerOf(const Object* character) {
  if (character == nullptr) return nullptr;
  for (Controller* player : GetWorld().players)
    if (player->Character == character) return player;
  return nullptr;
}

FName MakeName(WideStringView text) {
  std::vector<WideString>& names = GetWorld().names;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == text) return FName{static_cast<int32_t>(i), 0};
  names.emplace_back(text);
  return FName{static_cast<int32_t>(names.size() - 1), 0};
}

Creature* NewCreature(const Class* creature_class) {
  Creature* creature = Create<Creature>(creature_class);
  creature->RootComponent = Create<SceneComponent>();
  creature->status = Create<StatusComponent>();
  creature->inventory = Create<Inventory>();
  creature->DinoNameTag = MakeName(TEXT(""));
  GetWorld().creatures.push_back(creature);
  return creature;
}

Item* NewItem(const Class* item_class, Inventory* inventory) {
  Item* item = Create<Item>(item_class);
  if (inventory != nullptr) inventory->items.push_back(item);
  return item;
}

void MovePlayer(Controller* player, FVector position) {
  player->DefaultActorLocation = position;
  if (player->RootComponent != nullptr) player->RootComponent->location = position;
  if (player->Character != nullptr) {
    player->Character->DefaultActorLocation = position;
    if (player->Character->RootComponent != nullptr) player->Character->RootComponent->location = position;
  }
}

std::size_t WorldHeldBlocks() {
  std::size_t held = 0;
  for (const Creature* creature : GetWorld().creatures)
    if (creature->TamerString.Data != nullptr) ++held;
  return held;
}

}  // namespace sim
