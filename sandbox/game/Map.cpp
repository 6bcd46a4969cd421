#include "sandbox/game/Map.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "orvanel/commands/Health.h"
#include "orvanel/core/CommandTable.h"
#include "orvanel/core/ConfigState.h"
#include "orvanel/core/ConfigText.h"
#include "orvanel/core/Files.h"
#include "orvanel/core/TemplateReading.h"
#include "sandbox/game/MapLabels.h"
#include "sandbox/game/Show.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

// Text as the picture shows it: control characters (which XML cannot hold) and
// bytes that are not UTF-8 as "?".
std::string Printable(const std::string& text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const int length = byte < 0x80 ? 1 : (byte >> 5) == 6 ? 2 : (byte >> 4) == 14 ? 3 : (byte >> 3) == 30 ? 4 : 0;
    const auto size = static_cast<std::size_t>(length);
    bool valid = length > 0 && at + size <= text.size();
    for (std::size_t i = 1; valid && i < size; ++i) valid = (static_cast<unsigned char>(text[at + i]) & 0xC0) == 0x80;
    if (!valid || (length == 1 && (byte < 0x20 || byte == 0x7f))) {
      out += '?';
      ++at;
      continue;
    }
    out.append(text, at, size);
    at += size;
  }
  return out;
}

// Text for SVG: printable, with markup characters escaped.
std::string XmlText(const std::string& text) {
  std::string out;
  for (const char c : Printable(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A grid step of 1, 2 or 5 times a power of ten that gives four to ten lines
// across the map.
double GridStep(double radius) {
  const double span = 2 * radius;
  double step = std::pow(10.0, std::floor(std::log10(span / 5)));
  for (const double factor : {1.0, 2.0, 5.0, 10.0})
    if (span / (step * factor) <= 10) return step * factor;
  return step * 10;
}

std::string Units(double value) {
  std::string text = fmt::format("{:.0f}", value);
  return text == "-0" ? "0" : text;
}

struct Projection {
  FVector center;
  double scale;  // pixels per game unit
  double X(double x) const { return kMapSide / 2.0 + (x - center.X) * scale; }
  double Y(double y) const { return kMapSide / 2.0 + (y - center.Y) * scale; }
};

const char* TeamColor(int32_t team, int32_t own_team) {
  if (team == 0) return kUntamedColor;
  return team == own_team ? kOwnTeamColor : kOtherTeamColor;
}

constexpr double kGridFontSize = 10;

// The grid's lines and their labels: x along the top, y down the left side,
// each inside the picture (a label that would run off it goes to the other
// side of its line) and none over another (one that would is left out).
// Returns the labels' boxes.
std::vector<PixelBox> Grid(std::string& svg, const Projection& view, double radius, const TextMetrics& metrics) {
  const double step = GridStep(radius);
  svg += "<g stroke=\"#d6d1c4\" stroke-width=\"1\">\n";
  std::string labels;
  std::vector<PixelBox> boxes;
  const PixelBox picture{0, 0, kMapSide, kMapSide};
  for (const bool vertical : {true, false}) {
    const double center = vertical ? view.center.X : view.center.Y;
    // Counted in steps, not summed: far from the origin a step can vanish in
    // a float's rounding, and the loop would never end.
    const double first = std::ceil((center - radius) / step), last = std::floor((center + radius) / step);
    for (int line = 0; line <= 20 && first + line <= last; ++line) {
      const double at = (first + line) * step;
      const double pixel = vertical ? view.X(at) : view.Y(at);
      const std::string text = (vertical ? "x " : "y ") + Units(at);
      double x = 3, baseline = pixel - 3;
      if (vertical) {
        svg += fmt::format("<line x1=\"{0:.1f}\" y1=\"0\" x2=\"{0:.1f}\" y2=\"{1}\"/>\n", pixel, kMapSide);
        x = pixel + 3;
        baseline = 12;
      } else {
        svg += fmt::format("<line x1=\"0\" y1=\"{0:.1f}\" x2=\"{1}\" y2=\"{0:.1f}\"/>\n", pixel, kMapSide);
      }
      PixelBox box = TextBox(text, x, baseline, kGridFontSize, metrics);
      bool end_anchored = false;
      if (box.right > picture.right) {  // to the left of its line
        end_anchored = true;
        box = TextBox(text, pixel - 3 - TextWidth(text, kGridFontSize, metrics), baseline, kGridFontSize, metrics);
      }
      if (box.top < picture.top) {  // below its line
        baseline = pixel + 3 + metrics.ascent * kGridFontSize + metrics.padding;
        box = TextBox(text, box.left + metrics.padding, baseline, kGridFontSize, metrics);
      }
      if (box.bottom > picture.bottom) {  // a line at the bottom edge
        baseline -= box.bottom - picture.bottom;
        box = TextBox(text, box.left + metrics.padding, baseline, kGridFontSize, metrics);
      }
      const auto overlaps = [&](const PixelBox& placed) { return Overlaps(box, placed); };
      if (!Inside(box, picture) || std::any_of(boxes.begin(), boxes.end(), overlaps)) continue;
      boxes.push_back(box);
      labels +=
          fmt::format("<text x=\"{:.1f}\" y=\"{:.1f}\" font-size=\"{}\"{}>{}</text>\n", end_anchored ? pixel - 3 : x,
                      baseline, kGridFontSize, end_anchored ? " text-anchor=\"end\"" : "", XmlText(text));
    }
  }
  svg +=
      fmt::format("</g>\n<g font-family=\"{}\" fill=\"{}\">\n", kLabelFontFamily, kGridLabelColor) + labels + "</g>\n";
  return boxes;
}

void Label(std::string& svg, double x, double y, const std::string& text, const char* style) {
  if (text.empty()) return;
  svg += fmt::format("<text x=\"{:.1f}\" y=\"{:.1f}\" {}>{}</text>\n", x, y, style, XmlText(text));
}

// Half the side of the square each marker covers, outline included.
constexpr double kCreatureReach = 10.5;   // the arrowhead's corners, turned any way, and its stroke
constexpr double kNewCreatureReach = 15;  // the ring of radius 13 and its stroke
constexpr double kPlayerReach = 7;        // the dot of radius 6 and its stroke
constexpr double kPinReach = 13.5;        // the outline's corners lie 12 from its centre, its stroke 1 beyond

// A teleport location is a filled diamond drawn beneath creatures and players
// and an outline around it drawn above them, which shows even where a player
// stands on the spot.
void PinFill(std::string& svg, double x, double y) {
  svg += fmt::format(
      "<rect x=\"{:.1f}\" y=\"{:.1f}\" width=\"12\" height=\"12\" fill=\"{}\" stroke=\"#ffffff\" "
      "transform=\"rotate(45 {:.1f} {:.1f})\"/>\n",
      x - 6, y - 6, kLocationColor, x, y);
}
void PinOutline(std::string& svg, double x, double y) {
  svg += fmt::format(
      "<rect x=\"{:.1f}\" y=\"{:.1f}\" width=\"17\" height=\"17\" fill=\"none\" stroke=\"{}\" "
      "stroke-width=\"2\" transform=\"rotate(45 {:.1f} {:.1f})\"/>\n",
      x - 8.5, y - 8.5, kLocationColor, x, y);
}

void Legend(std::string& svg, const MapRequest& request) {
  const Controller& center = *request.center;
  const int top = kMapSide;
  svg += fmt::format("<rect x=\"0\" y=\"{}\" width=\"{}\" height=\"{}\" fill=\"#ffffff\"/>\n", top, kMapSide,
                     kLegendHeight);
  svg += fmt::format(
      "<text x=\"10\" y=\"{}\" font-family=\"sans-serif\" font-size=\"13\" font-weight=\"bold\" fill=\"#222\">"
      "{} (team {}) at ({}, {}, {}): {} units around, grid every {} units, x to the right, y down</text>\n",
      top + 20, XmlText(center.name), center.TargetingTeam, Units(center.DefaultActorLocation.X),
      Units(center.DefaultActorLocation.Y), Units(center.DefaultActorLocation.Z), Units(request.radius),
      Units(GridStep(request.radius)));
  struct Key {
    const char* color;
    const char* text;
  };
  const std::string own = fmt::format("team {}", center.TargetingTeam);
  const Key keys[] = {{kOwnTeamColor, own.c_str()}, {kOtherTeamColor, "other teams"}, {kUntamedColor, "untamed"}};
  double x = 10;
  const double y = top + 48;
  for (const Key& key : keys) {
    svg +=
        fmt::format("<path d=\"M 9 0 L -7 -7 L -3 0 L -7 7 Z\" fill=\"{}\" transform=\"translate({:.1f} {:.1f})\"/>\n",
                    key.color, x + 7, y - 4);
    Label(svg, x + 20, y, key.text, "font-family=\"sans-serif\" font-size=\"12\" fill=\"#222\"");
    x += 110;
  }
  svg += fmt::format("<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"8\" fill=\"none\" stroke=\"{}\" stroke-width=\"3\"/>\n",
                     x + 7, y - 4, kNewMarkColor);
  Label(svg, x + 20, y, "new since the last map", "font-family=\"sans-serif\" font-size=\"12\" fill=\"#222\"");
  x += 170;
  PinFill(svg, x + 7, y - 4);
  PinOutline(svg, x + 7, y - 4);
  Label(svg, x + 22, y, "teleport location", "font-family=\"sans-serif\" font-size=\"12\" fill=\"#222\"");
  x += 130;
  svg += fmt::format("<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"8\" fill=\"none\" stroke=\"{}\" stroke-width=\"2\"/>\n",
                     x + 7, y - 4, kOwnTeamColor);
  Label(svg, x + 20, y, fmt::format("health survey ({})", Units(kSurveyRadius)),
        "font-family=\"sans-serif\" font-size=\"12\" fill=\"#222\"");
}

// How each kind of marker's label is set: its size, then the rest.
struct LabelStyle {
  double fontSize;
  std::string attributes;
};

}  // namespace

std::string MapSvg(const MapRequest& request) {
  const Controller& center = *request.center;
  const double radius = request.radius;
  const Projection view{center.DefaultActorLocation, kMapSide / (2 * radius)};
  const int32_t own_team = center.TargetingTeam;
  const TextMetrics metrics;
  std::string svg = fmt::format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" height=\"{1}\" viewBox=\"0 0 {0} {1}\">\n"
      "<defs><clipPath id=\"map\"><rect width=\"{0}\" height=\"{0}\"/></clipPath></defs>\n"
      "<rect width=\"{0}\" height=\"{0}\" fill=\"{2}\"/>\n<g clip-path=\"url(#map)\">\n",
      kMapSide, kMapSide + kLegendHeight, kBackgroundColor);
  const std::vector<PixelBox> grid_labels = Grid(svg, view, radius, metrics);
  svg += fmt::format(
      "<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"{:.1f}\" fill=\"none\" stroke=\"{}\" stroke-width=\"2\" "
      "stroke-opacity=\"0.7\"/>\n",
      view.X(view.center.X), view.Y(view.center.Y), kSurveyRadius * view.scale, kOwnTeamColor);

  // Markers go in the order their labels are placed: players, locations, creatures.
  std::vector<MapMarker> markers;
  std::vector<const LabelStyle*> styles;
  const LabelStyle player_style{13, fmt::format("font-weight=\"bold\" fill=\"{}\"", kPlayerLabelColor)};
  const LabelStyle location_style{12, fmt::format("font-style=\"italic\" fill=\"{}\"", kLocationLabelColor)};
  const LabelStyle creature_style{11, fmt::format("fill=\"{}\"", kCreatureLabelColor)};
  const auto mark = [&](double x, double y, double reach, std::string kind, const std::string& label,
                        const LabelStyle& style) {
    markers.push_back({x, y, reach, std::move(kind), Printable(label), style.fontSize});
    styles.push_back(&style);
  };
  std::string players, pins, outlines, creatures;
  for (const Controller* player : GetWorld().players) {
    if (!std::isfinite(player->DefaultActorLocation.X) || !std::isfinite(player->DefaultActorLocation.Y)) continue;
    const double x = view.X(player->DefaultActorLocation.X), y = view.Y(player->DefaultActorLocation.Y);
    players += fmt::format(
        "<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"6\" fill=\"{}\" stroke=\"#ffffff\" stroke-width=\"1.5\"{}/>\n", x, y,
        kPlayerColor, player->online ? "" : " fill-opacity=\"0.4\"");
    mark(x, y, kPlayerReach, "player", player->name, player_style);
  }
  for (const MapLocation& location : request.locations) {
    const double x = view.X(location.at.X), y = view.Y(location.at.Y);
    PinFill(pins, x, y);
    PinOutline(outlines, x, y);
    mark(x, y, kPinReach, "location", location.name, location_style);
  }
  for (const Creature* creature : GetWorld().creatures) {
    if (creature->RootComponent == nullptr) continue;
    const FVector& at = creature->RootComponent->location;
    if (!std::isfinite(at.X) || !std::isfinite(at.Y)) continue;
    const double x = view.X(at.X), y = view.Y(at.Y);
    const bool is_new = creature->id >= request.newSince;
    if (is_new)
      creatures +=
          fmt::format("<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"13\" fill=\"none\" stroke=\"{}\" stroke-width=\"3\"/>\n",
                      x, y, kNewMarkColor);
    const double yaw = ShownYaw(creature->RootComponent->RelativeRotation.Yaw);
    creatures += fmt::format(
        "<path d=\"M 9 0 L -7 -7 L -3 0 L -7 7 Z\" fill=\"{}\" stroke=\"#ffffff\" stroke-width=\"0.8\" "
        "transform=\"translate({:.1f} {:.1f}) rotate({:.1f})\"/>\n",
        TeamColor(creature->TargetingTeam, own_team), x, y, std::isfinite(yaw) ? yaw : 0.0);
    mark(x, y, is_new ? kNewCreatureReach : kCreatureReach, fmt::format("creature {}", creature->TargetingTeam),
         NameTagText(*creature), creature_style);
  }
  svg += pins + creatures + players + outlines;

  const std::vector<MapLabel> labels = PlaceLabels(markers, {0, 0, kMapSide, kMapSide}, grid_labels, metrics);
  svg += "<g stroke=\"#7d7768\" stroke-width=\"0.8\">\n";
  for (const MapLabel& label : labels)
    if (label.leader)
      svg += fmt::format("<line x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" y2=\"{:.1f}\"/>\n", label.leaderX1,
                         label.leaderY1, label.leaderX2, label.leaderY2);
  svg += fmt::format("</g>\n<g font-family=\"{}\">\n", kLabelFontFamily);
  for (const MapLabel& label : labels)
    svg += fmt::format("<text x=\"{:.1f}\" y=\"{:.1f}\" font-size=\"{}\" {}>{}</text>\n", label.x, label.baseline,
                       label.fontSize, styles[label.markers.front()]->attributes, XmlText(label.text));
  svg += "</g>\n</g>\n";
  Legend(svg, request);
  return svg + "</svg>\n";
}

std::string MapCommand(const std::string& arguments, const std::filesystem::path& config_file, uint64_t& new_since) {
  const char* usage = "Usage: map NAME FILE.svg [RADIUS], RADIUS a number of units above 0 (default 6000)\n";
  std::istringstream words(arguments);
  std::string name, file, radius_text, extra;
  words >> name >> file >> radius_text >> extra;
  if (file.empty() || !extra.empty()) return usage;
  MapRequest request;
  if (!radius_text.empty()) {
    char* end = nullptr;
    const double radius = std::strtod(radius_text.c_str(), &end);
    if (*end != '\0' || !(radius >= 1 && radius <= 1e9)) return usage;
    request.radius = static_cast<float>(radius);
  }
  request.center = FindPlayer(name);
  if (request.center == nullptr) return "There is no player named \"" + name + "\" in this world.\n";
  const FVector& at = request.center->DefaultActorLocation;
  if (!std::isfinite(at.X) || !std::isfinite(at.Y) || !std::isfinite(at.Z))
    return name + " stands at no finite place; there is no map to draw.\n";
  request.newSince = new_since;
  request.locations = TeleportLocations(config_file);
  std::ofstream out(file, std::ios::binary);
  out << MapSvg(request);
  out.close();
  if (!out) return "Cannot write the map " + file + "\n";
  new_since = GetWorld().nextId;
  return "Wrote the map around " + name + " to " + file + "\n";
}

std::vector<MapLocation> TeleportLocations(const std::filesystem::path& config_file) {
  std::vector<MapLocation> found;
  const std::optional<std::string> text = ReadRegularFile(config_file.string());
  if (!text) return found;
  nlohmann::json config;
  try {
    config = ParseConfigText(*text);
  } catch (const std::exception&) {
    return found;
  }
  // The entry of the command that moves players, under its key, as the settings hold it.
  for (const CommandRow& row : kCommandRows) {
    if (row.catalogue.kind != CatalogueKind::TeleportLocations) continue;
    const nlohmann::json* entry = FindMemberAt(config, std::vector<std::string>{"Commands", row.key});
    const nlohmann::json* locations =
        entry != nullptr ? FindMemberAt(*entry, std::vector<std::string>{row.catalogue.member}) : nullptr;
    if (locations == nullptr || !locations->is_object()) continue;
    for (const auto& named : locations->items()) {
      const nlohmann::json* location = FindCatalogueElement(*entry, row.catalogue.member, named.key());
      if (location == nullptr) continue;
      try {
        const TeleportLocation read = ReadTeleportLocation(*location);
        found.push_back({named.key(), FVector{read.x, read.y, read.z}});
      } catch (const std::exception&) {
        // The command refuses this location: it moves no one there.
      }
    }
  }
  return found;
}

}  // namespace sim
