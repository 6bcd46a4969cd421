// A top-down map of the world around one player as an SVG picture: a grid in
// game units, the health survey's circle, players, creatures as arrowheads
// turned to their yaw and coloured by team, and named teleport locations, each
// label placed where it covers no other label and no marker.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "sandbox/game/Objects.h"

namespace sim {

// The picture is kMapSide pixels square for the map, centred on the player, x
// to the right and y downwards (so a yaw of 90 points down), with a legend
// strip of kLegendHeight pixels beneath it.
inline constexpr int kMapSide = 800;
inline constexpr int kLegendHeight = 72;
inline constexpr float kDefaultMapRadius = 6000.0f;

// Fill colours, for the picture and for whoever checks it.
inline constexpr const char* kOwnTeamColor = "#1f6fd1";
inline constexpr const char* kOtherTeamColor = "#d9480f";
inline constexpr const char* kUntamedColor = "#8a8a8a";
inline constexpr const char* kNewMarkColor = "#f2b705";
inline constexpr const char* kLocationColor = "#2b9348";
inline constexpr const char* kPlayerColor = "#111111";
inline constexpr const char* kBackgroundColor = "#f4f1e8";
// Text colours, none of them a marker's, so that a label over a marker shows.
inline constexpr const char* kCreatureLabelColor = "#333333";
inline constexpr const char* kPlayerLabelColor = "#000000";
inline constexpr const char* kLocationLabelColor = "#1b5e2c";
inline constexpr const char* kGridLabelColor = "#8c8577";
// Labels and grid labels are set in a monospace font, so that their widths
// are known without rendering (sim::TextWidth).
inline constexpr const char* kLabelFontFamily = "DejaVu Sans Mono, monospace";

struct MapLocation {
  std::string name;
  FVector at;
};

struct MapRequest {
  const Controller* center = nullptr;
  // Half the side of the square shown, in game units.
  float radius = kDefaultMapRadius;
  // Creatures whose id is this or later are marked as new.
  uint64_t newSince = 0;
  std::vector<MapLocation> locations;
};

std::string MapSvg(const MapRequest& request);

// The sandbox command `map NAME FILE.svg [RADIUS]`: writes the map around
// player NAME with the teleport locations of `config_file`, marks creatures
// made since `new_since` and moves it on; returns what to print.
std::string MapCommand(const std::string& arguments, const std::filesystem::path& config_file, uint64_t& new_since);

// The teleport locations of a config file, as the teleport command reads them:
// the file through the plugin's parse, each location through the command's read
// stage (coordinates absent are 0). A location the command refuses is left
// out; a file that cannot be read or that the plugin does not parse gives none.
std::vector<MapLocation> TeleportLocations(const std::filesystem::path& config_file);

}  // namespace sim
