// Assets and items: loading by path from the catalogue, and item creation in an
// inventory.
#include "sandbox/game/Names.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/Utf8.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

// Class paths of item classes load as their class object, other catalogued
// paths as plain objects; anything else loads nothing, unless any asset may load.
Object* StaticLoadObject(ClassObject* object_class, Object* outer, const TCHAR* name, const TCHAR* file_name,
                         uint32_t load_flags, Object* sandbox, bool allow_reconciliation) {
  const std::string path = name == nullptr ? std::string() : ToUtf8(WideStringView(name));
  RecordCall(
      "Global.StaticLoadObject",
      {ObjectRef(object_class), ObjectRef(outer), name == nullptr ? nlohmann::json(nullptr) : nlohmann::json(path),
       file_name == nullptr ? nlohmann::json(nullptr) : nlohmann::json(ToUtf8(WideStringView(file_name))), load_flags,
       ObjectRef(sandbox), allow_reconciliation});
  World& world = GetWorld();
  if (const auto item = world.itemClasses.find(path); item != world.itemClasses.end()) return item->second;
  if (const auto object = world.plainObjects.find(path); object != world.plainObjects.end()) return object->second;
  return AnyItemClass(path);
}

Item* AddNewItem(Object* item_class, Inventory* inventory, bool equipment, bool dont_stack, float quality,
                 bool force_no_blueprint, int32_t quantity, bool force_blueprint, float max_difficulty_clamp,
                 bool create_on_client, Object* skin) {
  RecordCall("UPrimalItem.AddNewItem",
             {ObjectRef(item_class), ObjectRef(inventory), equipment, dont_stack, quality, force_no_blueprint, quantity,
              force_blueprint, max_difficulty_clamp, create_on_client, ObjectRef(skin)});
  if (item_class == nullptr || item_class->cls != &classes::UClass)
    Fail("UPrimalItem.AddNewItem was given " +
         (item_class == nullptr ? std::string("a null class")
                                : "object " + std::to_string(item_class->id) + ", which is not a class"));
  if (inventory == nullptr) Fail("UPrimalItem.AddNewItem was given no inventory");
  const Class* described = static_cast<ClassObject*>(item_class)->described;
  if (!Derives(described, &classes::UPrimalItem)) return nullptr;
  const Faults& faults = GetWorld().faults;
  if (faults.itemCreationFailsForAll || faults.itemCreationFails.count(described->name) != 0) return nullptr;
  Item* item = NewItem(described, inventory);
  item->quantity = quantity;
  item->quality = quality;
  item->createdAsEquipment = equipment;
  return item;
}

const bool item_members_registered = [] {
  RegisterFunction("Global.StaticLoadObject", &StaticLoadObject);
  RegisterFunction("UPrimalItem.AddNewItem", &AddNewItem);
  SIM_FIELD("UPrimalItem.ItemStatValues", classes::UPrimalItem, Item, ItemStatValues);
  return true;
}();

}  // namespace
}  // namespace sim
