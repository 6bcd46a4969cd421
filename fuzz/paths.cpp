// Asset paths as any bytes under 2 KB: every form the normaliser builds must be
// the one the regular expression "^(Blueprint')?(.+?)(_C)?(')?$" defines, on
// the text before the first NUL.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "orvanel/core/BlueprintPath.h"
#include "orvanel/game/AssetReference.h"
#include "orvanel/host/TalvexApi.h"

namespace {

constexpr std::size_t kLongestPath = 2048;

void Disagree(const char* what, const std::string& path) {
  std::fprintf(stderr, "%s differs from the regular expression's for a path of %zu bytes\n", what, path.size());
  std::abort();
}

WideString Wide(const std::string& narrow) {
  return narrow.empty() ? WideString() : TalvexApi::Tools::ConvertToWideStr(narrow);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= kLongestPath) return 0;
  const std::string path(reinterpret_cast<const char*>(data), size);
  static const std::regex definition("^(Blueprint')?(.+?)(_C)?(')?$", std::regex::ECMAScript);
  std::cmatch match;
  const bool matched = std::regex_match(path.c_str(), match, definition);
  const std::string core = matched ? match[2].str() : "";
  auto form = [&](bool wrap, bool suffix) {
    if (!matched) return std::string();
    return (wrap ? "Blueprint'" : "") + core + (suffix ? "_C" : "") + (wrap ? "'" : "");
  };
  for (const bool wrap : {false, true})
    for (const bool suffix : {false, true})
      if (NormalizeBlueprintPath(path, wrap, suffix) != form(wrap, suffix)) Disagree("NormalizeBlueprintPath", path);
  if (ToClassPath(path) != Wide(form(false, true))) Disagree("ToClassPath", path);
  const FString reference = ToBlueprintReference(path);
  if (WideString(reference.View()) != Wide(form(true, false))) Disagree("ToBlueprintReference", path);
  const bool empty = reference.Data == nullptr && reference.ArrayNum == 0 && reference.ArrayMax == 0;
  if (form(true, false).empty() != empty) Disagree("The emptiness of ToBlueprintReference", path);
  if (!empty && reference.ArrayNum != static_cast<int32_t>(reference.View().size()) + 1)
    Disagree("The count of ToBlueprintReference", path);
  return 0;
}
