// Typed access to game members resolved by name through the host. Nothing here
// keeps an address: each helper resolves at the moment it is called, so a caller
// that loops hoists the resolution of functions to the start of its own call.
// A member the host does not resolve throws UnavailableMember before any use.
// The plugin's members, each with its one type, are named in GameMembers.h.
#pragma once

#include <cstdint>
#include <string>

#include "orvanel/host/TalvexApi.h"

// The field `name` of `object`, read and written in place; throws
// UnavailableMember when the host resolves no address for it.
template <typename T>
T& GameField(const void* object, const std::string& name) {
  const uint64_t address = TalvexApi::GetAddress(object, name);
  if (address == 0) throw UnavailableMember(name);
  return *reinterpret_cast<T*>(address);
}

// The entry of the game function `name` with the given signature; throws
// UnavailableMember when the host has none.
template <typename Signature>
Signature* GameFunction(const std::string& name) {
  return reinterpret_cast<Signature*>(ResolveGameFunction(name));
}

// Where the bit field `name` of `object` lies; throws UnavailableMember when
// the host gives it no word.
inline TalvexApi::BitField GameBitField(const void* object, const std::string& name) {
  const TalvexApi::BitField field = TalvexApi::GetBitField(object, name);
  if (field.Offset == 0) throw UnavailableMember(name);
  return field;
}

// A game member's "Class.Member" name with the one type the plugin uses it as.
// Only the name is held: it is resolved again at every use.
template <typename Signature>
struct GameFunctionMember {
  std::string name;
};
template <typename T>
struct GameFieldMember {
  std::string name;
};
struct GameBitFieldMember {
  std::string name;
};

template <typename Signature>
Signature* GameFunction(const GameFunctionMember<Signature>& member) {
  return GameFunction<Signature>(member.name);
}

template <typename T>
T& GameField(const void* object, const GameFieldMember<T>& member) {
  return GameField<T>(object, member.name);
}

inline TalvexApi::BitField GameBitField(const void* object, const GameBitFieldMember& member) {
  return GameBitField(object, member.name);
}

// Replaces the bits of a bit field with `value` shifted to its position.
inline void WriteBitField(const TalvexApi::BitField& field, uint32_t value) {
  if (field.Offset == 0 || field.NumBits == 0) return;
  auto* word = reinterpret_cast<uint32_t*>(field.Offset);
  const uint64_t width_mask = ~uint64_t{0} >> (64 - field.NumBits);
  const uint32_t mask = static_cast<uint32_t>(width_mask << field.BitPosition);
  *word = (*word & ~mask) | ((value << field.BitPosition) & mask);
}
