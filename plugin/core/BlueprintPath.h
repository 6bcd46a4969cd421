// Asset paths from the configuration, pasted in any form (quoted reference,
// object path, class path), reduced to their core and rebuilt in the form a
// caller needs. A direct scan: linear time, constant stack, whatever the input.
// Host-free; AssetReference.h turns the result into the engine's text.
#pragma once

#include <string>

// The core of `path` (before its first NUL) with "Blueprint'" and "'" around it
// when `wrap` is set and "_C" after it when `class_suffix` is set; empty when the
// path has no core (empty, or holding a line feed or carriage return).
std::string NormalizeBlueprintPath(std::string path, bool wrap, bool class_suffix);
