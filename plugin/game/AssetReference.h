// Asset paths as the game takes them: the normalised path (BlueprintPath.h)
// widened to the engine's text, as a class path to load or as the quoted
// asset reference to spawn from.
#pragma once

#include <string>

#include "orvanel/host/Engine.h"

// The class path used for loading, as wide text: "/Game/A.A" gives "/Game/A.A_C".
WideString ToClassPath(std::string path);

// The quoted asset reference used for spawning: "/Game/A.A" gives "Blueprint'/Game/A.A'".
FString ToBlueprintReference(std::string path);
