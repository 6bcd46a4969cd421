#include "sandbox/game/Names.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <unordered_map>

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

// The two name sets live to the very end of the process: objects that a
// static world still holds at exit free their texts through the name table.
std::set<std::string>& Withheld() {
  static auto* names = new std::set<std::string>;
  return *names;
}

std::set<std::string>& Asked() {
  static auto* names = new std::set<std::string>;
  return *names;
}

// Records the request; true when the name is withheld.
bool AskWithheld(const std::string& name) {
  Asked().insert(name);
  return !Withheld().empty() && Withheld().count(name) != 0;
}

void CheckOwner(const Object* object, const Class* owner, const std::string& name) {
  if (object == nullptr) Fail("the field \"" + name + "\" was asked of a null object");
  if (!Derives(object->cls, owner))
    Fail("the field \"" + name + "\" was asked of object " + std::to_string(object->id) + " of class " +
         object->cls->name + ", which is not a " + owner->name);
}

// A command that walks thousands of actors asks for the same few fields over
// and over: a small cache keyed on the name's text sits in front of the field
// table, so that a repeated name costs a short comparison, not a table search.
// It also remembers the last class a field was found on, which needs no second
// check until the world's classes are released.
struct CachedField {
  std::string name;
  const FieldEntry* entry = nullptr;
  const Class* checkedClass = nullptr;
};

// Constant-initialised: registrations from other units' static initialisers may come first.
constinit std::array<CachedField, 64> fieldCache{};

inline uint64_t Word(const char* bytes, std::size_t count) {
  uint64_t word = 0;
  std::memcpy(&word, bytes, count);
  return word;
}

// Eight bytes at once: a fixed-size copy the compiler turns into one load.
inline uint64_t Word8(const char* bytes) {
  uint64_t word;
  std::memcpy(&word, bytes, 8);
  return word;
}

// The cache slot of a name, from its length and its first and last eight bytes.
inline std::size_t CacheSlot(const std::string& name) {
  const std::size_t size = name.size();
  const uint64_t head = size >= 8 ? Word8(name.data()) : Word(name.data(), size);
  const uint64_t tail = size > 8 ? Word8(name.data() + size - 8) : 0;
  return static_cast<std::size_t>(((head ^ (tail * 0x9E3779B97F4A7C15ULL) ^ size) * 0xFF51AFD7ED558CCDULL) >> 58);
}

// Word by word; the last word may overlap the one before it.
inline bool SameText(const std::string& a, const std::string& b) {
  const std::size_t size = a.size();
  if (size != b.size()) return false;
  if (size < 8) return std::memcmp(a.data(), b.data(), size) == 0;
  for (std::size_t at = 0; at + 8 < size; at += 8)
    if (Word8(a.data() + at) != Word8(b.data() + at)) return false;
  return Word8(a.data() + size - 8) == Word8(b.data() + size - 8);
}

}  // namespace

namespace {
ViolationHandler violationHandler = nullptr;
}  // namespace

void SetViolationHandler(ViolationHandler handler) { violationHandler = handler; }

void Report(const std::string& message) {
  if (violationHandler != nullptr) {
    violationHandler(message);
    return;
  }
  std::fflush(stdout);
  std::fprintf(stderr, "orvanel-sandbox: fatal: %s\n", message.c_str());
  std::fflush(stderr);
  std::abort();
}

void Fail(const std::string& message) {
  Report(message);
  throw ContractViolation{message};
}

void RegisterFunction(const std::string& name, void* entry) { Functions()[name] = entry; }

void RegisterField(const std::string& name, const Class* owner, FieldResolver resolve) {
  Fields()[name] = FieldEntry{owner, resolve};
  fieldCache[CacheSlot(name)] = CachedField{};
}

void WithholdName(const std::string& name) {
  Withheld().insert(name);
  fieldCache[CacheSlot(name)] = CachedField{};
}

const std::set<std::string>& AskedNames() { return Asked(); }

void ResetNameRequests() {
  Withheld().clear();
  Asked().clear();
  // A cached field skips the request record: the cache starts empty too.
  fieldCache.fill(CachedField{});
}

void ForgetClassChecks() {
  for (CachedField& cached : fieldCache) cached.checkedClass = nullptr;
}

void RegisterBitField(const std::string& name, const Class* owner, BitWordResolver word, uint32_t position,
                      uint64_t width) {
  BitFields()[name] = BitFieldEntry{owner, word, position, width};
}

void* FunctionEntry(const std::string& name) {
  if (AskWithheld(name)) return nullptr;
  const auto found = Functions().find(name);
  if (found == Functions().end()) Fail("the game has no function named \"" + name + "\"");
  return found->second;
}

uint64_t FieldAddress(const void* object, const std::string& name) {
  CachedField& cached = fieldCache[CacheSlot(name)];
  if (cached.entry == nullptr || !SameText(cached.name, name)) {
    if (AskWithheld(name)) return 0;
    const auto found = Fields().find(name);
    if (found == Fields().end()) Fail("the game has no field named \"" + name + "\"");
    cached = CachedField{name, &found->second, nullptr};
  }
  auto* target = static_cast<Object*>(const_cast<void*>(object));
  if (target == nullptr || target->cls != cached.checkedClass) {
    CheckOwner(target, cached.entry->owner, name);
    cached.checkedClass = target->cls;
  }
  return reinterpret_cast<uint64_t>(cached.entry->resolve(target));
}

BitFieldPlace BitFieldOf(const void* object, const std::string& name) {
  if (AskWithheld(name)) return BitFieldPlace{0, 0, 0};
  const auto found = BitFields().find(name);
  if (found == BitFields().end()) Fail("the game has no bit field named \"" + name + "\"");
  auto* target = static_cast<Object*>(const_cast<void*>(object));
  CheckOwner(target, found->second.owner, name);
  return BitFieldPlace{reinterpret_cast<uint64_t>(found->second.word(target)), found->second.position,
                       found->second.width};
}

}  // namespace sim
