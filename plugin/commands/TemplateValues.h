// Typed reads of template members, with defaults, by the JSON library's rules.
// Integers take any number (a fraction cut toward zero) and booleans as 0 or 1;
// numbers take integers and fractions but never a boolean. A refused read throws.
#pragma once

#include <cstdint>

#include <nlohmann/json.hpp>

// A fraction beyond the 32-bit range has no integer to become and is refused
// with the library's type errors; whole numbers convert as the library does.
int32_t ReadTemplateInteger(const nlohmann::json& object, const char* key, int32_t fallback);

// Read as a double, which refuses booleans, then narrowed to a 32-bit float.
float ReadTemplateNumber(const nlohmann::json& object, const char* key, double fallback);
