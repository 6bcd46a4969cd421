#include "orvanel/core/CreatureValues.h"

#include <cmath>

namespace {

// An armor point above the default is this many units of the saddle's entry.
constexpr double kStatUnitsPerArmor = 1000.0 / 5.0;

}  // namespace

// Divided and multiplied as it always was: a floor of the same product in
// another order could round a stored value differently.
uint16_t SaddleArmorStatValue(float armor) {
  const double value = std::floor((static_cast<double>(armor) - kDefaultSaddleArmor) / 5.0 * 1000.0);
  if (!std::isfinite(value)) return 0;
  const double low_bits = std::fmod(value, 65536.0);
  return static_cast<uint16_t>(static_cast<int32_t>(low_bits));
}

double ExactSaddleArmorStatValue(float armor) {
  return (static_cast<double>(armor) - kDefaultSaddleArmor) * kStatUnitsPerArmor;
}

double SaddleArmorOfStatValue(uint16_t value) {
  return kDefaultSaddleArmor + static_cast<int16_t>(value) / kStatUnitsPerArmor;
}
