// Typed access to game members resolved by name through the host. Nothing here
// keeps an address: each helper resolves at the moment it is called, so a caller
// that loops hoists the resolution of functions to the start of its own call.
#pragma once

#include <cstdint>
#include <string>

#include "orvanel/host/TalvexApi.h"

// The field `name` of `object`, read and written in place.
template <typename T>
T& GameField(const void* object, const std::string& name) {
  return *reinterpret_cast<T*>(TalvexApi::GetAddress(object, name));
}

// The entry of the game function `name` with the given signature.
template <typename Signature>
Signature* GameFunction(const std::string& name) {
  return reinterpret_cast<Signature*>(TalvexApi::GetAddress(name));
}

// Replaces the bits of a bit field with `value` shifted to its position.
inline void WriteBitField(const TalvexApi::BitField& field, uint32_t value) {
  if (field.Offset == 0 || field.NumBits == 0) return;
  auto* word = reinterpret_cast<uint32_t*>(field.Offset);
  const uint64_t width_mask = ~uint64_t{0} >> (64 - field.NumBits);
  const uint32_t mask = static_cast<uint32_t>(width_mask << field.BitPosition);
  *word = (*word & ~mask) | ((value << field.BitPosition) & mask);
}
