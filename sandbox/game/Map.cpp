#include "sandbox/game/Map.h"

#include <cmath>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <optional>
#include <string>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "orvanel/commands/Health.h"
#include "orvanel/commands/TemplateReading.h"
#include "orvanel/core/CommandTable.h"
#include "orvanel/core/ConfigText.h"
#include "sandbox/game/Show.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

// Text for SVG: markup characters escaped, control characters (which XML
// cannot hold) and bytes that are not UTF-8 shown as "?".
std::string XmlText(const std::string& text) {
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
    switch (byte) {
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
        out.append(text, at, size);
    }
    at += size;
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

void Grid(std::string& svg, const Projection& view, double radius) {
  const double step = GridStep(radius);
  svg += "<g stroke=\"#d6d1c4\" stroke-width=\"1\">\n";
  std::string labels;
  for (const bool vertical : {true, false}) {
    const double center = vertical ? view.center.X : view.center.Y;
    // Counted in steps, not summed: far from the origin a step can vanish in
    // a float's rounding, and the loop would never end.
    const double first = std::ceil((center - radius) / step), last = std::floor((center + radius) / step);
    for (int line = 0; line <= 20 && first + line <= last; ++line) {
      const double at = (first + line) * step;
      const double pixel = vertical ? view.X(at) : view.Y(at);
      if (vertical) {
        svg += fmt::format("<line x1=\"{0:.1f}\" y1=\"0\" x2=\"{0:.1f}\" y2=\"{1}\"/>\n", pixel, kMapSide);
        labels += fmt::format("<text x=\"{:.1f}\" y=\"12\">x {}</text>\n", pixel + 3, Units(at));
      } else {
        svg += fmt::format("<line x1=\"0\" y1=\"{0:.1f}\" x2=\"{1}\" y2=\"{0:.1f}\"/>\n", pixel, kMapSide);
        labels += fmt::format("<text x=\"3\" y=\"{:.1f}\">y {}</text>\n", pixel - 3, Units(at));
      }
    }
  }
  svg += "</g>\n<g font-family=\"sans-serif\" font-size=\"10\" fill=\"#8c8577\">\n" + labels + "</g>\n";
}

void Label(std::string& svg, double x, double y, const std::string& text, const char* style) {
  if (text.empty()) return;
  svg += fmt::format("<text x=\"{:.1f}\" y=\"{:.1f}\" {}>{}</text>\n", x, y, style, XmlText(text));
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
  svg += fmt::format(
      "<rect x=\"{:.1f}\" y=\"{:.1f}\" width=\"10\" height=\"10\" fill=\"{}\" transform=\"rotate(45 {:.1f} "
      "{:.1f})\"/>\n",
      x + 2, y - 9, kLocationColor, x + 7, y - 4);
  Label(svg, x + 20, y, "teleport location", "font-family=\"sans-serif\" font-size=\"12\" fill=\"#222\"");
  x += 130;
  svg += fmt::format("<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"8\" fill=\"none\" stroke=\"{}\" stroke-width=\"2\"/>\n",
                     x + 7, y - 4, kOwnTeamColor);
  Label(svg, x + 20, y, fmt::format("health survey ({})", Units(kSurveyRadius)),
        "font-family=\"sans-serif\" font-size=\"12\" fill=\"#222\"");
}

}  // namespace

std::string MapSvg(const MapRequest& request) {
  const Controller& center = *request.center;
  const double radius = request.radius;
  const Projection view{center.DefaultActorLocation, kMapSide / (2 * radius)};
  const int32_t own_team = center.TargetingTeam;
  std::string svg = fmt::format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" height=\"{1}\" viewBox=\"0 0 {0} {1}\">\n"
      "<defs><clipPath id=\"map\"><rect width=\"{0}\" height=\"{0}\"/></clipPath></defs>\n"
      "<rect width=\"{0}\" height=\"{0}\" fill=\"{2}\"/>\n<g clip-path=\"url(#map)\">\n",
      kMapSide, kMapSide + kLegendHeight, kBackgroundColor);
  Grid(svg, view, radius);
  svg += fmt::format(
      "<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"{:.1f}\" fill=\"none\" stroke=\"{}\" stroke-width=\"2\" "
      "stroke-opacity=\"0.7\"/>\n",
      view.X(view.center.X), view.Y(view.center.Y), kSurveyRadius * view.scale, kOwnTeamColor);

  std::string labels;
  for (const MapLocation& location : request.locations) {
    const double x = view.X(location.at.X), y = view.Y(location.at.Y);
    svg += fmt::format(
        "<rect x=\"{:.1f}\" y=\"{:.1f}\" width=\"12\" height=\"12\" fill=\"{}\" stroke=\"#ffffff\" "
        "transform=\"rotate(45 {:.1f} {:.1f})\"/>\n",
        x - 6, y - 6, kLocationColor, x, y);
    Label(labels, x + 10, y + 4, location.name,
          fmt::format("font-family=\"sans-serif\" font-size=\"12\" font-style=\"italic\" fill=\"{}\"", kLocationColor)
              .c_str());
  }
  for (const Creature* creature : GetWorld().creatures) {
    if (creature->RootComponent == nullptr) continue;
    const FVector& at = creature->RootComponent->location;
    if (!std::isfinite(at.X) || !std::isfinite(at.Y)) continue;
    const double x = view.X(at.X), y = view.Y(at.Y);
    if (creature->id >= request.newSince)
      svg +=
          fmt::format("<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"13\" fill=\"none\" stroke=\"{}\" stroke-width=\"3\"/>\n",
                      x, y, kNewMarkColor);
    const float yaw = creature->RootComponent->RelativeRotation.Yaw;
    svg += fmt::format(
        "<path d=\"M 9 0 L -7 -7 L -3 0 L -7 7 Z\" fill=\"{}\" stroke=\"#ffffff\" stroke-width=\"0.8\" "
        "transform=\"translate({:.1f} {:.1f}) rotate({:.1f})\"/>\n",
        TeamColor(creature->TargetingTeam, own_team), x, y, std::isfinite(yaw) ? yaw : 0.0f);
    Label(labels, x + 9, y - 9, NameTagText(*creature), "font-family=\"sans-serif\" font-size=\"11\" fill=\"#333\"");
  }
  for (const Controller* player : GetWorld().players) {
    if (!std::isfinite(player->DefaultActorLocation.X) || !std::isfinite(player->DefaultActorLocation.Y)) continue;
    const double x = view.X(player->DefaultActorLocation.X), y = view.Y(player->DefaultActorLocation.Y);
    svg += fmt::format(
        "<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"6\" fill=\"{}\" stroke=\"#ffffff\" stroke-width=\"1.5\"{}/>\n", x, y,
        kPlayerColor, player->online ? "" : " fill-opacity=\"0.4\"");
    Label(labels, x + 9, y + 16, player->name,
          "font-family=\"sans-serif\" font-size=\"13\" font-weight=\"bold\" fill=\"#111\"");
  }
  svg += labels + "</g>\n";
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
  if (!config.is_object()) return found;
  const auto commands = config.find("Commands");
  if (commands == config.end() || !commands->is_object()) return found;
  for (const CommandRow& row : kCommandRows) {
    if (row.catalogue.kind != CatalogueKind::TeleportLocations) continue;
    const auto entry = commands->find(row.key);
    if (entry == commands->end() || !entry->is_object()) continue;
    const auto locations = entry->find(row.catalogue.member);
    if (locations == entry->end() || !locations->is_object()) continue;
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
