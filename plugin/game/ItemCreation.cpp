#include "orvanel/game/AssetReference.h"
#include "orvanel/game/Items.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"

ItemFunctions ResolveItemFunctions() {
  ItemFunctions functions;
  functions.objectStaticClass = GameFunction(UObjectStaticClass());
  functions.staticLoadObject = GameFunction(GlobalStaticLoadObject());
  functions.classStaticClass = GameFunction(UClassStaticClass());
  functions.isA = GameFunction(UObjectBaseUtilityIsA());
  functions.addNewItem = GameFunction(UPrimalItemAddNewItem());
  return functions;
}

UObject* LoadObjectByClassPath(const ItemFunctions& functions, const std::string& path) {
  // An empty class path is still asked for: the game decides what it loads.
  const WideString class_path = ToClassPath(path);
  UClass* object_class = functions.objectStaticClass();
  return functions.staticLoadObject(object_class, nullptr, class_path.c_str(), nullptr, 0, nullptr, true);
}

bool IsClassObject(const ItemFunctions& functions, UObject* object) {
  UClass* class_class = functions.classStaticClass();
  return functions.isA(object, class_class);
}

UPrimalItem* AddNewItem(const ItemFunctions& functions, UClass* item_class, UPrimalInventoryComponent* inventory,
                        bool equipment, float quality, int32_t quantity) {
  return functions.addNewItem(item_class, inventory, equipment, false, quality, false, quantity, false, 0.0f, false,
                              nullptr);
}
