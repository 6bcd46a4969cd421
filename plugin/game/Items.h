// Item granting: loading item classes by asset path and creating items in an
// inventory through the game's own item creation. Used by the item template
// command and, for saddles and stock, by creature spawning.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "orvanel/core/TemplateRecords.h"
#include "orvanel/host/Engine.h"

// What a grant or a creature group made (items, or creatures), and each path
// that loaded nothing or no class, in the form asked of the game.
struct GrantTally {
  int64_t made = 0;
  std::set<std::string> unloaded;
};

// Notes in `tally` a path that loaded or spawned nothing, in the form `asked` of
// the game; a path with no core, asked as nothing, in the form `written`.
void NoteUnloaded(GrantTally& tally, const std::string& written, const std::string& asked);

// Gives every entry's items to the online player with `steam_id`. False when no
// such player is online; paths that load nothing, or no class, are skipped, and
// so is every path while the player has no character or no inventory. Counts
// into `tally` when one is given.
bool GiveItems(uint64_t steam_id, std::vector<ItemEntry> entries, GrantTally* tally = nullptr);

// The game functions that loading and creating items go through. A caller that
// loops resolves them together once, at the start of its own call, and drops
// them when it returns. Each type is the one its member is named with
// (host/GameMembers.h): ResolveItemFunctions does not compile with another.
struct ItemFunctions {
  using StaticClassFn = UClass*();
  using StaticLoadObjectFn = UObject*(UClass*, UObject*, const TCHAR*, const TCHAR*, uint32_t, UObject*, bool);
  using IsAFn = bool(const UObject*, UClass*);
  using AddNewItemFn = UPrimalItem*(UClass*, UPrimalInventoryComponent*, bool, bool, float, bool, int32_t, bool, float,
                                    bool, UPrimalItem*);
  StaticClassFn* objectStaticClass = nullptr;
  StaticLoadObjectFn* staticLoadObject = nullptr;
  StaticClassFn* classStaticClass = nullptr;
  IsAFn* isA = nullptr;
  AddNewItemFn* addNewItem = nullptr;
};

// The object and class classes, the loader, the class test and the item
// creation, resolved now.
ItemFunctions ResolveItemFunctions();

// Loads the object at the class path of `path` (the game's loader under the
// object class); null when nothing loads.
UObject* LoadObjectByClassPath(const ItemFunctions& functions, const std::string& path);

// True when `object` is a class (the class test against the class of classes).
bool IsClassObject(const ItemFunctions& functions, UObject* object);

// The class that `path` loads, for item creation; null when it loads nothing or
// no class, and the path is then recorded in `tally` (when given) as unloaded.
UClass* LoadItemClass(const ItemFunctions& functions, const std::string& path, GrantTally* tally);

// One request of the game's item creation; `equipment` is its third argument.
UPrimalItem* AddNewItem(const ItemFunctions& functions, UClass* item_class, UPrimalInventoryComponent* inventory,
                        bool equipment, float quality, int32_t quantity);
