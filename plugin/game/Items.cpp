#include "orvanel/game/Items.h"

#include "orvanel/core/BlueprintPath.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"
#include "orvanel/host/TalvexApi.h"

namespace {

// The paths of one entry: its list when that holds any, else its single path,
// even an empty one.
std::vector<std::string> PathsOf(const ItemEntry& entry) {
  if (!entry.blueprints.empty()) return entry.blueprints;
  return {entry.blueprint};
}

}  // namespace

void NoteUnloaded(GrantTally& tally, const std::string& written, const std::string& asked) {
  tally.unloaded.insert(asked.empty() ? written : asked);
}

UClass* LoadItemClass(const ItemFunctions& functions, const std::string& path, GrantTally* tally) {
  UObject* loaded = LoadObjectByClassPath(functions, path);
  if (loaded == nullptr || !IsClassObject(functions, loaded)) {
    if (tally != nullptr) NoteUnloaded(*tally, path, NormalizeBlueprintPath(path, false, true));
    return nullptr;
  }
  return static_cast<UClass*>(loaded);
}

bool GiveItems(uint64_t steam_id, std::vector<ItemEntry> entries, GrantTally* tally) {
  AShooterPlayerController* player = TalvexApi::GetApiUtils().FindPlayerFromSteamId(steam_id);
  if (player == nullptr) return false;
  const ItemFunctions functions = ResolveItemFunctions();
  for (const ItemEntry& entry : entries) {
    for (const std::string& path : PathsOf(entry)) {
      UClass* item_class = LoadItemClass(functions, path, tally);
      if (item_class == nullptr) continue;
      // A player between characters (dead, or not yet spawned) has none, and
      // a character may lack an inventory: then this path gives nothing.
      ACharacter* character = GameField(player, AControllerCharacter());
      if (character == nullptr) continue;
      for (int32_t made = 0; made < entry.count; ++made) {
        UPrimalInventoryComponent* inventory = GameField(character, APrimalCharacterMyInventoryComponent());
        if (inventory == nullptr) break;
        UPrimalItem* item = AddNewItem(functions, item_class, inventory, false, entry.quality, entry.quantity);
        if (item != nullptr && tally != nullptr) ++tally->made;
      }
    }
  }
  return true;
}
