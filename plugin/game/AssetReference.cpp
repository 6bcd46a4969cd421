#include "orvanel/game/AssetReference.h"

#include <utility>

#include "orvanel/core/BlueprintPath.h"
#include "orvanel/host/TalvexApi.h"

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
