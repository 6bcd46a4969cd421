// Conversions between the plugin's 8-bit text and the engine's 16-bit text.
// ASCII always round-trips exactly; what has no form on the other side becomes '?'.
#pragma once

#include <string>
#include <string_view>

#include "orvanel/host/Engine.h"

// Each character before the terminator narrowed through the global locale's
// wide-character facet; a character without a narrow form becomes '?'.
std::string NarrowText(const FString& text);

// The system's narrow-to-wide conversion (the ANSI code page on Windows, the C
// library's multibyte conversion elsewhere); undecodable bytes become '?'.
WideString WidenSystemText(std::string_view text);

// Byte by byte: a byte below 0x80 keeps its value, any other byte becomes '?'.
WideString WidenAsciiText(std::string_view text);

// Text the plugin composes itself (names from the config, which is UTF-8): every
// character kept, a byte that begins no character becomes '?'.
WideString WidenUtf8Text(std::string_view text);

// For log lines, which are UTF-8: every character kept, a lone surrogate becomes '?'.
std::string Utf8Text(const FString& text);
