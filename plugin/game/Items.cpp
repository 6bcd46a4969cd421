#include "orvanel/game/Items.h"

#include "orvanel/host/GameAccess.h"
#include "orvanel/host/TalvexApi.h"

namespace {

// The paths of one entry: its list when that holds any, else its single path,
// even an empty one.
std::vector<std::string> PathsOf(const ItemEntry& entry) {
  if (!entry.blueprints.empty()) return entry.blueprints;
  return {entry.blueprint};
}

}  // namespace

bool GiveItems(uint64_t steam_id, std::vector<ItemEntry> entries) {
  AShooterPlayerController* player = TalvexApi::GetApiUtils().FindPlayerFromSteamId(steam_id);
  if (player == nullptr) return false;
  const ItemFunctions functions = ResolveItemFunctions();
  for (const ItemEntry& entry : entries) {
    for (const std::string& path : PathsOf(entry)) {
      UObject* loaded = LoadObjectByClassPath(functions, path);
      if (loaded == nullptr || !IsClassObject(functions, loaded)) continue;
      // A player between characters (dead, or not yet spawned) has none, and
      // a character may lack an inventory: then this path gives nothing.
      ACharacter* character = GameField<ACharacter*>(player, "AController.Character");
      if (character == nullptr) continue;
      for (int32_t made = 0; made < entry.count; ++made) {
        UPrimalInventoryComponent* inventory =
            GameField<UPrimalInventoryComponent*>(character, "APrimalCharacter.MyInventoryComponent");
        if (inventory == nullptr) break;
        AddNewItem(functions, static_cast<UClass*>(loaded), inventory, false, entry.quality, entry.quantity);
      }
    }
  }
  return true;
}
