// Splitting a console command line into words at single spaces.
#pragma once

#include <cstdint>

#include "orvanel/host/Engine.h"

// Empties `pieces` and refills it with the non-empty stretches between spaces;
// only ' ' separates. Returns the number of pieces; piece 0 is the command word.
int32_t SplitArguments(const FString& line, TArray<FString>& pieces);
