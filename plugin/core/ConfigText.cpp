#include "orvanel/core/ConfigText.h"

#include <stdexcept>

namespace {

// Whether arrays and objects in `text` nest deeper than `limit`, strings left
// out. On text that parses this is exactly the nesting the parser meets; other
// text the parser refuses anyway. One pass: it costs little beside the parse.
bool NestsDeeperThan(std::string_view text, int limit) {
  int depth = 0;
  bool in_string = false;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char character = text[at];
    if (in_string) {
      if (character == '\\')
        ++at;
      else if (character == '"')
        in_string = false;
    } else if (character == '"') {
      in_string = true;
    } else if (character == '[' || character == '{') {
      if (++depth > limit) return true;
    } else if (character == ']' || character == '}') {
      --depth;
    }
  }
  return false;
}

}  // namespace

nlohmann::json ParseConfigText(std::string_view text) {
  // Copying and comparing values recurses, so a file of nested brackets would
  // exhaust the stack later on; such a file is refused here instead.
  if (NestsDeeperThan(text, kMaxConfigDepth))
    throw std::runtime_error("config.json nests arrays and objects deeper than " + std::to_string(kMaxConfigDepth) +
                             " levels");
  return nlohmann::json::parse(text);
}
