#include "game/BlueprintPath.h"
#include "game/Items.h"
#include "host/GameAccess.h"

namespace {

using StaticClassFn = UClass*();
using StaticLoadObjectFn = UObject*(UClass*, UObject*, const TCHAR*, const TCHAR*, uint32_t, UObject*, bool);
using IsAFn = bool(UObject*, UClass*);
using AddNewItemFn = UPrimalItem*(UClass*, UPrimalInventoryComponent*, bool, bool, float, bool, int32_t, bool, float,
                                  bool, UPrimalItem*);

}  // namespace

ItemFunctions ResolveItemFunctions() {
  ItemFunctions functions;
  functions.objectStaticClass = GameFunction<StaticClassFn>("UObject.StaticClass");
  functions.staticLoadObject = GameFunction<StaticLoadObjectFn>("Global.StaticLoadObject");
  functions.classStaticClass = GameFunction<StaticClassFn>("UClass.StaticClass");
  functions.isA = GameFunction<IsAFn>("UObjectBaseUtility.IsA");
  functions.addNewItem = GameFunction<AddNewItemFn>("UPrimalItem.AddNewItem");
  return functions;
}

UObject* LoadObjectByClassPath(const ItemFunctions& functions, const std::string& path) {
  // An empty class path is still asked for: the game decides what it loads.
  const WideString class_path = ToClassPath(path);
  UClass* object_class = functions.objectStaticClass();
  return functions.staticLoadObject(object_class, nullptr, class_path.c_str(), nullptr, 0, nullptr, true);
}

UObject* LoadObjectByClassPath(const std::string& path) {
  ItemFunctions functions;
  functions.objectStaticClass = GameFunction<StaticClassFn>("UObject.StaticClass");
  functions.staticLoadObject = GameFunction<StaticLoadObjectFn>("Global.StaticLoadObject");
  return LoadObjectByClassPath(functions, path);
}

bool IsClassObject(const ItemFunctions& functions, UObject* object) {
  UClass* class_class = functions.classStaticClass();
  return functions.isA(object, class_class);
}

bool IsClassObject(UObject* object) {
  ItemFunctions functions;
  functions.classStaticClass = GameFunction<StaticClassFn>("UClass.StaticClass");
  functions.isA = GameFunction<IsAFn>("UObjectBaseUtility.IsA");
  return IsClassObject(functions, object);
}

UPrimalItem* AddNewItem(const ItemFunctions& functions, UClass* item_class, UPrimalInventoryComponent* inventory,
                        bool equipment, float quality, int32_t quantity) {
  return functions.addNewItem(item_class, inventory, equipment, false, quality, false, quantity, false, 0.0f, false,
                              nullptr);
}

UPrimalItem* AddNewItem(UClass* item_class, UPrimalInventoryComponent* inventory, bool equipment, float quality,
                        int32_t quantity) {
  ItemFunctions functions;
  functions.addNewItem = GameFunction<AddNewItemFn>("UPrimalItem.AddNewItem");
  return AddNewItem(functions, item_class, inventory, equipment, quality, quantity);
}
