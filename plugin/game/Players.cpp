#include "orvanel/game/Players.h"

#include <charconv>

#include "orvanel/core/AsciiCase.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"

namespace {

// False when the player has no state to tell a name.
bool ReadPlayerName(AShooterPlayerController* player, FString& name) {
  auto* state = GameField(player, AControllerPlayerState());
  if (state == nullptr) return false;
  GameFunction(AShooterPlayerStateGetPlayerName())(state, &name);
  return true;
}

}  // namespace

std::string PlayerNameText(AShooterPlayerController* player) {
  FString name;
  return ReadPlayerName(player, name) ? Utf8Text(name) : "?";
}

std::vector<FoundPlayer> FindOnlinePlayers(std::string_view wanted) {
  std::vector<FoundPlayer> found;
  UWorld* world = TalvexApi::GetApiUtils().GameWorld();
  if (world == nullptr || wanted.empty()) return found;
  uint64_t wanted_id = 0;
  const auto [end, error] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), wanted_id);
  const bool by_id = error == std::errc() && end == wanted.data() + wanted.size();
  const std::string wanted_name = AsciiLower(std::string(wanted));

  TArray<AActor*> actors;
  GameFunction(UGameplayStaticsGetAllActorsOfClass())(
      world, GameFunction(AShooterPlayerControllerGetPrivateStaticClass())(), &actors);
  // A name as typed, letter case and all, beats names that match in another case.
  std::vector<FoundPlayer> exact;
  for (AActor* actor : actors) {
    auto* player = static_cast<AShooterPlayerController*>(actor);
    const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(player);
    // A controller the host cannot find by its Steam id belongs to no one online.
    if (TalvexApi::GetApiUtils().FindPlayerFromSteamId(steam_id) != player) continue;
    FString name;
    if (!ReadPlayerName(player, name)) continue;
    const std::string narrowed = NarrowText(name);
    if (by_id ? steam_id == wanted_id : AsciiLower(narrowed) == wanted_name)
      found.push_back({player, steam_id, Utf8Text(name)});
    if (!by_id && narrowed == wanted) exact.push_back(found.back());
  }
  return found.size() > 1 && exact.size() == 1 ? exact : found;
}
