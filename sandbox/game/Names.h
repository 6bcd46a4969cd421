// The name table: game functions, fields and bit fields by "Class.Member", as the
// host resolves them for the plugin. An unknown name, a field asked of a null
// object or of an object of the wrong class is a contract violation (see Fail);
// a withheld name resolves to nothing.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "sandbox/game/Objects.h"

namespace sim {

using FieldResolver = void* (*)(Object* object);
using BitWordResolver = uint32_t* (*)(Object* object);

void RegisterFunction(const std::string& name, void* entry);
void RegisterField(const std::string& name, const Class* owner, FieldResolver resolve);
void RegisterBitField(const std::string& name, const Class* owner, BitWordResolver word, uint32_t position,
                      uint64_t width);

template <typename Function>
void RegisterFunction(const std::string& name, Function* entry) {
  RegisterFunction(name, reinterpret_cast<void*>(entry));
}

// Names the host answers null for, as it would for members a game update
// renamed: a function has no entry, a field address 0, a bit field no word.
void WithholdName(const std::string& name);

// The table's answers, which the host hands on to the plugin: a function's
// entry, the address of the field of `object`, the word and bits of the bit
// field of `object`. A withheld name gives null, 0 or no word.
struct BitFieldPlace {
  uint64_t word;
  uint32_t position;
  uint64_t width;
};
void* FunctionEntry(const std::string& name);
uint64_t FieldAddress(const void* object, const std::string& name);
BitFieldPlace BitFieldOf(const void* object, const std::string& name);

// Every name the plugin asked the host to resolve, withheld ones included.
const std::set<std::string>& AskedNames();

// Forgets the withheld names and the names asked for; the world calls it when
// it starts anew.
void ResetNameRequests();

// Forgets which classes were found to own the fields asked for; the world calls
// it when it releases its classes, so that a class made later is checked anew.
void ForgetClassChecks();

// What the game does when the plugin breaks a rule of a game function. The
// program prints the message and stops; tests install a handler that records a
// failure, after which Fail unwinds the plugin's call with a ContractViolation.
using ViolationHandler = void (*)(const std::string& message);
// Null restores stopping the process.
void SetViolationHandler(ViolationHandler handler);

// Not a std::exception, so that the plugin's guards around its own reads let
// it pass; the host's dispatch stops it.
struct ContractViolation {
  std::string message;
};

// The plugin asked the game for something it cannot have.
[[noreturn]] void Fail(const std::string& message);
// The same, for checks in calls that must not unwind (the game's free, which
// the plugin calls from destructors): with a handler installed it returns.
void Report(const std::string& message);

// `object` as the sandbox type T, after checking that it is a `of`; stops the
// sandbox when `function` was handed null or an object of another class.
template <typename T>
T* Expect(Object* object, const Class& of, const char* function) {
  if (object == nullptr) Fail(std::string(function) + " was called with a null " + of.name);
  if (!Derives(object->cls, &of))
    Fail(std::string(function) + " was given object " + std::to_string(object->id) + " of class " + object->cls->name +
         ", which is not a " + of.name);
  return static_cast<T*>(object);
}

}  // namespace sim

// Registers a field `member` of the sandbox type `Type` under `name`, owned by `owner`.
#define SIM_FIELD(name, owner, Type, member)                                                   \
  sim::RegisterField(name, &(owner), [](sim::Object* object) -> void* {                        \
    /* NOLINTNEXTLINE(bugprone-macro-parentheses): Type and member name a type and a member */ \
    return static_cast<void*>(&static_cast<Type*>(object)->member);                            \
  })
