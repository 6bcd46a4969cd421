#include "game/BlueprintPath.h"
#include "game/Items.h"
#include "host/GameAccess.h"

UObject* LoadObjectByClassPath(const std::string& path) {
  // An empty class path is still asked for: the game decides what it loads.
  const WideString class_path = ToClassPath(path);
  UClass* object_class = GameFunction<UClass*()>("UObject.StaticClass")();
  using StaticLoadObjectFn = UObject*(UClass*, UObject*, const TCHAR*, const TCHAR*, uint32_t, UObject*, bool);
  return GameFunction<StaticLoadObjectFn>("Global.StaticLoadObject")(object_class, nullptr, class_path.c_str(),
                                                                     nullptr, 0, nullptr, true);
}

bool IsClassObject(UObject* object) {
  UClass* class_class = GameFunction<UClass*()>("UClass.StaticClass")();
  return GameFunction<bool(UObject*, UClass*)>("UObjectBaseUtility.IsA")(object, class_class);
}

UPrimalItem* AddNewItem(UClass* item_class, UPrimalInventoryComponent* inventory, bool equipment, float quality,
                        int32_t quantity) {
  using AddNewItemFn = UPrimalItem*(UClass*, UPrimalInventoryComponent*, bool, bool, float, bool, int32_t, bool,
                                    float, bool, UPrimalItem*);
  return GameFunction<AddNewItemFn>("UPrimalItem.AddNewItem")(item_class, inventory, equipment, false, quality, false,
                                                              quantity, false, 0.0f, false, nullptr);
}
