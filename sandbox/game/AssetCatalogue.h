// The "assets" member of a world file: the asset paths the game's catalogue
// lists, by what they load as. A pure reader of the world file's format, which
// the sandbox's world loader and the config checker share.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sim {

struct AssetCatalogue {
  std::vector<std::string> items;
  std::vector<std::string> objects;
  std::vector<std::string> creatures;
  std::vector<std::string> actors;
  // Every well-formed path that is not listed loads too; unset when the
  // member does not say.
  std::optional<bool> any;
};

// Throws std::runtime_error naming what is wrong with `assets`.
AssetCatalogue ReadAssetCatalogue(const nlohmann::json& assets);

}  // namespace sim
