#include "orvanel/core/LogText.h"

#include <cstdio>

std::string EscapeLogText(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    char code[8];
    if (byte == '\\') {
      escaped += "\\\\";
    } else if (byte == '\n') {
      escaped += "\\n";
    } else if (byte == '\r') {
      escaped += "\\r";
    } else if (byte == '\t') {
      escaped += "\\t";
    } else if (byte < 0x20 || byte == 0x7f) {
      std::snprintf(code, sizeof code, "\\x%02x", byte);
      escaped += code;
    } else if (byte == 0xc2 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[at + 1]) <= 0x9f) {
      // A C1 control, such as U+009B, the one-character start of a terminal sequence.
      std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned char>(text[++at]));
      escaped += code;
    } else {
      escaped += text[at];
    }
  }
  return escaped;
}
