// How far apart two names are, for the hints that name the nearest known one:
// the edit distance with ASCII letters compared without regard to case, over
// the first 64 bytes of each, so that a long name costs no more than a short one.
#pragma once

#include <cstddef>
#include <string_view>

std::size_t NameDistance(std::string_view a, std::string_view b);

// Whether a name `distance` away from `known` is near enough to be a misspelling
// of it and worth a "did you mean": at most 2 edits, or a third of its length.
bool NearEnough(std::size_t distance, std::string_view known);
