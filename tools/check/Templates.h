// The checks of what a kit, creature group or location read without a fault:
// values the game takes but that give nothing, wrap or lie outside every map,
// and asset paths that cannot load (or that a world's catalogue does not list).
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "orvanel/core/TemplateReading.h"
#include "tools/check/CheckRun.h"

namespace check {

// Each beside the value it was read from, `base` the pointer of that value.
void CheckKit(CheckRun& run, const std::string& base, const nlohmann::json& kit, const ItemKit& read);
void CheckCreature(CheckRun& run, const std::string& base, const nlohmann::json& creature,
                   const CreatureTemplate& read);
void CheckLocation(CheckRun& run, const std::string& base, const TeleportLocation& read);

}  // namespace check
