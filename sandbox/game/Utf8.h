// Engine text and UTF-8, both ways: the game's 16-bit units, surrogate pairs
// included, and the bytes that events, traces and world files hold. A unit or
// byte sequence that is no character becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "orvanel/host/Engine.h"

namespace sim {

// A lone surrogate becomes U+FFFD.
std::string ToUtf8(WideStringView text);
// Invalid UTF-8 becomes U+FFFD.
WideString FromUtf8(std::string_view text);

}  // namespace sim
