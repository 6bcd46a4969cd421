#include "game/Names.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "host/TalvexApi.h"

namespace sim {
namespace {

struct FieldEntry {
  const Class* owner;
  FieldResolver resolve;
};

struct BitFieldEntry {
  const Class* owner;
  BitWordResolver word;
  uint32_t position;
  uint64_t width;
};

std::unordered_map<std::string, void*>& Functions() {
  static std::unordered_map<std::string, void*> table;
  return table;
}

std::unordered_map<std::string, FieldEntry>& Fields() {
  static std::unordered_map<std::string, FieldEntry> table;
  return table;
}

std::unordered_map<std::string, BitFieldEntry>& BitFields() {
  static std::unordered_map<std::string, BitFieldEntry> table;
  return table;
}

void CheckOwner(const Object* object, const Class* owner, const std::string& name) {
  if (object == nullptr) Fail("the field \"" + name + "\" was asked of a null object");
  if (!Derives(object->cls, owner))
    Fail("the field \"" + name + "\" was asked of object " + std::to_string(object->id) + " of class " +
         object->cls->name + ", which is not a " + owner->name);
}

}  // namespace

void Fail(const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "orvanel-sandbox: fatal: %s\n", message.c_str());
  std::fflush(stderr);
  std::abort();
}

void RegisterFunction(const std::string& name, void* entry) { Functions()[name] = entry; }

void RegisterField(const std::string& name, const Class* owner, FieldResolver resolve) {
  Fields()[name] = FieldEntry{owner, resolve};
}

void RegisterBitField(const std::string& name, const Class* owner, BitWordResolver word, uint32_t position,
                      uint64_t width) {
  BitFields()[name] = BitFieldEntry{owner, word, position, width};
}

}  // namespace sim

namespace TalvexApi {

void* GetAddress(const std::string& name) {
  const auto found = sim::Functions().find(name);
  if (found == sim::Functions().end()) sim::Fail("the game has no function named \"" + name + "\"");
  return found->second;
}

uint64_t GetAddress(const void* object, const std::string& name) {
  const auto found = sim::Fields().find(name);
  if (found == sim::Fields().end()) sim::Fail("the game has no field named \"" + name + "\"");
  auto* target = static_cast<sim::Object*>(const_cast<void*>(object));
  sim::CheckOwner(target, found->second.owner, name);
  return reinterpret_cast<uint64_t>(found->second.resolve(target));
}

BitField GetBitField(const void* object, const std::string& name) {
  const auto found = sim::BitFields().find(name);
  if (found == sim::BitFields().end()) sim::Fail("the game has no bit field named \"" + name + "\"");
  auto* target = static_cast<sim::Object*>(const_cast<void*>(object));
  sim::CheckOwner(target, found->second.owner, name);
  return BitField{reinterpret_cast<uint64_t>(found->second.word(target)), found->second.position,
                  found->second.width};
}

BitField GetBitField(void* object, const std::string& name) {
  return GetBitField(static_cast<const void*>(object), name);
}

}  // namespace TalvexApi
