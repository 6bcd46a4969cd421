#include "orvanel/core/BlueprintPath.h"

#include <string_view>

namespace {

constexpr std::string_view kReferencePrefix = "Blueprint'";

// True when `text` holds a line feed or a carriage return: two searches for
// single characters, which the C library runs vectorised.
bool HasLineBreak(std::string_view text) {
  return text.find('\n') != std::string_view::npos || text.find('\r') != std::string_view::npos;
}

// The text of the pattern ^(Blueprint')?(.+?)(_C)?(')?$ matched in full. "."
// refuses line breaks, so a text holding one has no core. A leading prefix
// comes off when a core remains; then a closing quote, and then a class suffix
// before it, each only while at least one character remains for the core.
bool FindCore(std::string_view text, std::string_view& core) {
  if (HasLineBreak(text)) return false;
  if (text.size() > kReferencePrefix.size() && text.starts_with(kReferencePrefix))
    text.remove_prefix(kReferencePrefix.size());
  if (text.empty()) return false;
  std::size_t length = text.size();
  if (length > 1 && text[length - 1] == '\'') --length;
  if (length > 2 && text[length - 2] == '_' && text[length - 1] == 'C') length -= 2;
  core = text.substr(0, length);
  return true;
}

}  // namespace

std::string NormalizeBlueprintPath(std::string path, bool wrap, bool class_suffix) {
  std::string_view core;
  if (!FindCore(std::string_view(path).substr(0, path.find('\0')), core)) return std::string();
  // The result is built in the path's own buffer: the core stays where it is,
  // and a prefix that is wanted and already there stays too.
  const std::size_t begin = static_cast<std::size_t>(core.data() - path.data());
  path.resize(begin + core.size());
  if (!(wrap && begin == kReferencePrefix.size())) {
    path.erase(0, begin);
    if (wrap) path.insert(0, kReferencePrefix);
  }
  if (class_suffix) path += "_C";
  if (wrap) path += '\'';
  return path;
}
