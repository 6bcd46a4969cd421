#include "sandbox/game/Utf8.h"

#include "orvanel/core/Utf8.h"

namespace sim {

std::string ToUtf8(WideStringView text) { return EncodeUtf8(text, U'\uFFFD'); }

WideString FromUtf8(std::string_view text) { return DecodeUtf8<TCHAR>(text, U'\uFFFD'); }

}  // namespace sim
