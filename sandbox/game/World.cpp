#include "sandbox/game/World.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
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
  WorldHandle()->clockMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  ResetNameRequests();
  ForgetClassChecks();
  WorldHandle()->world = Create<WorldObject>();
}

void AdvanceClock(int64_t ms) { GetWorld().clockMs += ms; }

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back
// (H. Hinnant's algorithms).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t of_era = year - era * 400;
  const int64_t of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t of_era_days = of_era * 365 + of_era / 4 - of_era / 100 + of_year;
  return era * 146097 + of_era_days - 719468;
}

void CivilFromDays(int64_t days, int64_t& year, int64_t& month, int64_t& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t of_era = days - era * 146097;
  const int64_t year_of_era = (of_era - of_era / 1460 + of_era / 36524 - of_era / 146096) / 365;
  const int64_t of_year = of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t shifted_month = (5 * of_year + 2) / 153;
  day = of_year - (153 * shifted_month + 2) / 5 + 1;
  month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

std::optional<int64_t> ParseClock(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
  const int fields =
      std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second, &used);
  if (fields < 6) {
    used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d%n", &year, &month, &day, &hour, &minute, &used) < 5)
      return std::nullopt;
    second = 0;
  }
  const std::string rest = text.substr(static_cast<std::size_t>(used));
  if ((!rest.empty() && rest != "Z") || year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
      minute > 59 || second > 59 || hour < 0 || minute < 0 || second < 0)
    return std::nullopt;
  int64_t check_year = 0, check_month = 0, check_day = 0;
  const int64_t days = DaysFromCivil(year, month, day);
  CivilFromDays(days, check_year, check_month, check_day);
  if (check_day != day) return std::nullopt;  // 31 April and the like
  return ((days * 24 + hour) * 60 + minute) * 60000 + int64_t{second} * 1000;
}

std::string ClockText(int64_t ms) {
  const int64_t seconds = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
  const int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  const int64_t of_day = seconds - days * 86400;
  int64_t year = 0, month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld UTC", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(of_day / 3600),
                static_cast<long long>(of_day / 60 % 60), static_cast<long long>(of_day % 60));
  return text;
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
  // Unique per creature of the world, as the game's two-part id is; both
  // halves vary, so that a reader of only one of them is caught.
  creature->DinoID1 = static_cast<uint32_t>(creature->id);
  creature->DinoID2 = static_cast<uint32_t>(creature->id * 2654435761u);
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
