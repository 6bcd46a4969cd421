#include "sandbox/game/AssetCatalogue.h"

#include <stdexcept>

namespace sim {

AssetCatalogue ReadAssetCatalogue(const nlohmann::json& assets) {
  if (!assets.is_object()) throw std::runtime_error("\"assets\" must be an object");
  auto paths = [&](const char* key) {
    std::vector<std::string> list;
    if (!assets.contains(key)) return list;
    const nlohmann::json& value = assets[key];
    if (!value.is_array())
      throw std::runtime_error(std::string("\"assets\".\"") + key + "\" must be an array of strings");
    for (const nlohmann::json& path : value) {
      if (!path.is_string())
        throw std::runtime_error(std::string("\"assets\".\"") + key + "\" must be an array of strings");
      list.push_back(path.get<std::string>());
    }
    return list;
  };
  AssetCatalogue catalogue;
  if (assets.contains("any")) {
    if (!assets["any"].is_boolean()) throw std::runtime_error("\"assets\".\"any\" must be true or false");
    catalogue.any = assets["any"].get<bool>();
  }
  catalogue.items = paths("items");
  catalogue.objects = paths("objects");
  catalogue.creatures = paths("creatures");
  catalogue.actors = paths("actors");
  return catalogue;
}

}  // namespace sim
