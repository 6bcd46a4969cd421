// Typed reads of template members, with defaults, by the JSON library's rules,
// and the limits on the work one template may ask for. Integers take any number
// (a fraction cut toward zero) and booleans as 0 or 1; numbers take integers and
// fractions but never a boolean. A refused read throws.
#pragma once

#include <cstdint>

#include <nlohmann/json.hpp>

// The most items one kit or group command may create, and the most creatures
// one group command may spawn: a template that asks for more is refused whole,
// so that no command holds the game thread for long.
inline constexpr int64_t kMaxItemCreationsPerCommand = 10000;
inline constexpr int64_t kMaxCreaturesPerGroup = 1000;

// A fraction beyond the 32-bit range has no integer to become and is refused
// with the library's type errors; whole numbers convert as the library does.
int32_t ReadTemplateInteger(const nlohmann::json& object, const char* key, int32_t fallback);

// Read as a double, which refuses booleans, then narrowed to a 32-bit float; a
// value that has no finite float (beyond the float range) is refused.
float ReadTemplateNumber(const nlohmann::json& object, const char* key, double fallback);

// Work a template asks for, summed as it is read: each Add counts `times`
// repetitions of `amount` (a count of 0 or less asks for none). The sum stops
// at the largest int64 rather than overflow; a template whose sum passes its
// limit is refused whole, with the sum named.
struct TemplateWork {
  int64_t limit;
  int64_t asked = 0;
  void Add(int64_t times, int64_t amount);
  bool Exceeded() const { return asked > limit; }
};
