#include "game/BlueprintPath.h"

#include <string_view>

#include "host/TalvexApi.h"

namespace {

constexpr std::string_view kReferencePrefix = "Blueprint'";

// The text of the pattern ^(Blueprint')?(.+?)(_C)?(')?$ matched in full:
// a leading prefix comes off when a core remains; then the longest of "_C'",
// "_C" and "'" that leaves a core comes off the end.
bool FindCore(std::string_view text, std::string_view& core) {
  if (text.find_first_of("\n\r") != std::string_view::npos) return false;
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
  std::string_view text(path);
  text = text.substr(0, text.find('\0'));
  std::string_view core;
  if (!FindCore(text, core)) return std::string();
  std::string result;
  result.reserve(core.size() + 13);
  if (wrap) result += kReferencePrefix;
  result += core;
  if (class_suffix) result += "_C";
  if (wrap) result += '\'';
  return result;
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
