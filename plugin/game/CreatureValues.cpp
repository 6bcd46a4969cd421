// The pure values of creature spawning, which the config checker shares: they
// need no game.
#include <cmath>

#include "orvanel/game/CreatureSpawning.h"

uint16_t SaddleArmorStatValue(float armor) {
  const double value = std::floor((static_cast<double>(armor) - 25.0) / 5.0 * 1000.0);
  if (!std::isfinite(value)) return 0;
  const double low_bits = std::fmod(value, 65536.0);
  return static_cast<uint16_t>(static_cast<int32_t>(low_bits));
}
