#include "game/BlueprintPath.h"

#include <string_view>

#include "host/TalvexApi.h"

namespace {

constexpr std::string_view kReferencePrefix = "Blueprint'";

// The text of the pattern ^(Blueprint')?(.+?)(_C)?(')?$ matched in full:
// a leading prefix comes off when a core remains; then the longest of "_C'",
// "_C" and "'" that leaves a core comes off the end.
bool FindCore(std::string_view text, std::string_view& core) {
  // "." stops at line breaks, so no text holding one matches; two searches for
  // single characters stay vectorised where a search for a set would not.
  if (text.find('\n') != std::string_view::npos || text.find('\r') != std::string_view::npos) return false;
  if (text.size() > kReferencePrefix.size() && text.substr(0, kReferencePrefix.size()) == kReferencePrefix)
    text.remove_prefix(kReferencePrefix.size());
  if (text.empty()) return false;
  for (const std::string_view suffix : {std::string_view("_C'"), std::string_view("_C"), std::string_view("'")}) {
    if (text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix) {
      core = text.substr(0, text.size() - suffix.size());
      return true;
    }
  }
  core = text;
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

WideString ToClassPath(std::string path) {
  const std::string normalized = NormalizeBlueprintPath(std::move(path), false, true);
  if (normalized.empty()) return WideString();
  return TalvexApi::Tools::ConvertToWideStr(normalized);
}

FString ToBlueprintReference(std::string path) {
  const std::string normalized = NormalizeBlueprintPath(std::move(path), true, false);
  if (normalized.empty()) return FString();
  return FString(TalvexApi::Tools::ConvertToWideStr(normalized));
}
