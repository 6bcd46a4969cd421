// The map's text side: names that are markup or no text at all, a player far
// from the origin, and the teleport locations read from a config file; and a
// crowded world's map, read back from the SVG and, rendered, pixel by pixel:
// labels over no label and no marker, grid labels inside the picture, a pin
// under a player that still shows, and yaws within a full turn.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <numbers>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "orvanel/core/ConfigPath.h"
#include "sandbox/game/Map.h"
#include "sandbox/game/World.h"
#include "support/Picture.h"
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

class MapTest : public PluginTest {};

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(MapTest, NamesAreEscapedAndControlCharactersReplaced) {
  json world = ThreePlayers();
  world["players"][1]["name"] = "B<o>b & \"co\"";
  world["creatures"] = {{{"nameTag", "R\u0001ex</text>"}}};
  AddWorld(world);
  const std::string svg = sim::MapSvg({Player("Alice"), 6000, 0, {{"A&B", {}}}});
  EXPECT_NE(svg.find(">B&lt;o&gt;b &amp; &quot;co&quot;</text>"), std::string::npos);
  EXPECT_NE(svg.find(">R?ex&lt;/text&gt;</text>"), std::string::npos);
  EXPECT_NE(svg.find(">A&amp;B</text>"), std::string::npos);
  EXPECT_EQ(svg.find('\x01'), std::string::npos);
}

TEST_F(MapTest, APlayerFarFromTheOriginGetsABoundedGrid) {
  json world = ThreePlayers();
  world["players"][0]["position"] = {1e30, -1e30, 0};
  AddWorld(world);
  const std::string svg = sim::MapSvg({Player("Alice"), 1, 0, {}});
  EXPECT_LE(Count(svg, "<line "), 42u);
}

TEST_F(MapTest, TeleportLocationsAreReadAsTheCommandReadsThem) {
  const json locations = {{"Camp", {{"x", 10}, {"y", -20.5}}},
                          {"Text", {{"x", "100"}}},
                          {"Flag", {{"z", true}}},
                          {"Huge", {{"x", 1e39}}},
                          {"Bare", 5},
                          {"Origin", json::object()}};
  json config = StandardConfig();
  config["Commands"]["TeleportTo_Console"]["Locations"] = locations;
  WriteConfig(config);
  AddWorld(ThreePlayers());
  LoadPlugin();
  // What to expect is where the command itself moves a player to each name,
  // and the names it refuses are left out.
  std::vector<sim::MapLocation> expected;
  for (const auto& named : locations.items()) {
    ClearRecord();
    Console("Alice", "tp " + named.key());
    const std::vector<json> moves = CallsOf("AShooterPlayerController.SetPlayerPos");
    if (moves.empty()) continue;
    const json& to = moves.at(0)["args"];
    expected.push_back({named.key(), FVector{to[1].get<float>(), to[2].get<float>(), to[3].get<float>()}});
  }
  // The file holds locations of both kinds.
  ASSERT_FALSE(expected.empty());
  ASSERT_LT(expected.size(), locations.size());

  const auto file = root_ / kConfigFileInServer;
  const auto drawn = sim::TeleportLocations(file);
  ASSERT_EQ(drawn.size(), expected.size());
  for (std::size_t index = 0; index < drawn.size(); ++index) {
    EXPECT_EQ(drawn[index].name, expected[index].name);
    EXPECT_FLOAT_EQ(drawn[index].at.X, expected[index].at.X) << drawn[index].name;
    EXPECT_FLOAT_EQ(drawn[index].at.Y, expected[index].at.Y) << drawn[index].name;
    EXPECT_FLOAT_EQ(drawn[index].at.Z, expected[index].at.Z) << drawn[index].name;
  }
  std::ofstream(file) << "{\"Commands\": ";
  EXPECT_TRUE(sim::TeleportLocations(file).empty());
  EXPECT_TRUE(sim::TeleportLocations(root_ / "missing.json").empty());
}

// An element of the map's clipped part (the legend left out), with the
// attributes it has or takes from the groups around it.
struct Element {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::string text;  // of a <text>, unescaped
  double Number(const std::string& key, double otherwise = 0) const {
    const auto found = attributes.find(key);
    return found == attributes.end() ? otherwise : std::stod(found->second);
  }
  std::string Text(const std::string& key) const {
    const auto found = attributes.find(key);
    return found == attributes.end() ? "" : found->second;
  }
};

std::string Unescaped(std::string text) {
  for (const auto& [entity, c] :
       std::vector<std::pair<std::string, std::string>>{{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
    for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
      text.replace(at, entity.size(), c);
  return text;
}

std::vector<Element> MapElements(const std::string& svg) {
  static const std::regex tag(R"re(<(/?)([a-zA-Z]+)((?:\s+[a-z:-]+="[^"]*")*)\s*(/?)>)re");
  static const std::regex attribute(R"re(([a-z:-]+)="([^"]*)")re");
  std::vector<Element> elements;
  std::vector<std::map<std::string, std::string>> groups(1);
  std::size_t clip_depth = 0;
  for (auto match = std::sregex_iterator(svg.begin(), svg.end(), tag); match != std::sregex_iterator(); ++match) {
    const std::string name = (*match)[2], attributes = (*match)[3];
    if ((*match)[1] == "/") {
      if (name != "g") continue;
      groups.pop_back();
      if (clip_depth > 0 && groups.size() < clip_depth) break;
      continue;
    }
    Element element{name, groups.back(), ""};
    for (auto pair = std::sregex_iterator(attributes.begin(), attributes.end(), attribute);
         pair != std::sregex_iterator(); ++pair)
      element.attributes[(*pair)[1]] = (*pair)[2];
    if (name == "g") {
      groups.push_back(element.attributes);
      if (clip_depth == 0 && element.attributes.count("clip-path") != 0) clip_depth = groups.size();
      continue;
    }
    if (clip_depth == 0) continue;
    if (name == "text") {
      const std::size_t start = static_cast<std::size_t>(match->position() + match->length());
      element.text = Unescaped(svg.substr(start, svg.find("</text>", start) - start));
    }
    elements.push_back(element);
  }
  return elements;
}

struct Box {
  double left, top, right, bottom;
};

bool Overlap(const Box& a, const Box& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Where a <text> inks, in DejaVu Sans Mono: 0.602 of the size a character,
// from the top of "l" to the foot of "g".
Box TextInk(const Element& text) {
  std::size_t characters = 0;
  for (const char c : text.text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  const double size = text.Number("font-size"), width = static_cast<double>(characters) * 0.602 * size;
  const double x = text.Number("x"), y = text.Number("y");
  const double left = text.Text("text-anchor") == "end" ? x - width : x;
  return {left, y - 0.77 * size, left + width, y + 0.24 * size};
}

// The square a marker covers: a player's dot or a new creature's ring, a
// creature's arrowhead (translated and turned), a location's diamond; with
// half of its outline. Other elements are no markers.
std::optional<Box> MarkerSquare(const Element& element) {
  const double stroke = element.Number("stroke-width", element.Text("stroke").empty() ? 0 : 1) / 2;
  std::smatch found;
  const std::string transform = element.Text("transform");
  if (element.name == "circle" && element.Number("r") < 20) {
    const double x = element.Number("cx"), y = element.Number("cy"), reach = element.Number("r") + stroke;
    return Box{x - reach, y - reach, x + reach, y + reach};
  }
  static const std::regex turned(R"(translate\(([-\d.e+]+) ([-\d.e+]+)\) rotate\(([-\d.e+]+)\))");
  if (element.name == "path" && std::regex_search(transform, found, turned)) {
    const double x = std::stod(found[1]), y = std::stod(found[2]), angle = std::stod(found[3]) * std::numbers::pi / 180;
    Box box{x, y, x, y};
    for (const auto& [px, py] : std::vector<std::pair<double, double>>{{9, 0}, {-7, -7}, {-3, 0}, {-7, 7}}) {
      const double vx = x + px * std::cos(angle) - py * std::sin(angle);
      const double vy = y + px * std::sin(angle) + py * std::cos(angle);
      box = {std::min(box.left, vx - stroke), std::min(box.top, vy - stroke), std::max(box.right, vx + stroke),
             std::max(box.bottom, vy + stroke)};
    }
    return box;
  }
  static const std::regex diamond(R"(rotate\(45 ([-\d.e+]+) ([-\d.e+]+)\))");
  if (element.name == "rect" && std::regex_search(transform, found, diamond)) {
    const double x = std::stod(found[1]), y = std::stod(found[2]);
    const double reach = element.Number("width") / std::sqrt(2.0) + stroke;
    return Box{x - reach, y - reach, x + reach, y + reach};
  }
  return std::nullopt;
}

// Alice among twenty creatures within 300 units (20 pixels), Bob beside her
// on one teleport location and Carol on another; Alice stands where the map's
// right and top grid lines fall at its edges.
class CrowdedMapTest : public MapTest {
 protected:
  void SetUp() override {
    MapTest::SetUp();
    json world = ThreePlayers();
    world["players"][0]["position"] = {100, 5950, 0};
    world["players"][1]["position"] = {160, 5920, 0};
    world["players"][2]["position"] = {1600, 6400, 0};
    const char* names[] = {"Rex", "Dodo", "Trike", "Argentavis", "Quetzal"};
    world["creatures"] = json::array();
    for (int index = 0; index < 20; ++index) {
      const double angle = index * 2.4, distance = 300.0 * std::sqrt((index + 1) / 20.0);
      // Eight raptors of Alice's team, two of another with five named ones, five untamed.
      const std::string name = index < 10 ? "Raptor" : index < 15 ? names[index - 10] : "";
      const int team = index < 8 ? 1001 : index < 15 ? 2002 : 0;
      world["creatures"].push_back(
          {{"nameTag", name},
           {"team", team},
           {"position", {100 + distance * std::cos(angle), 5950 + distance * std::sin(angle), 0}}});
    }
    AddWorld(world);
    const std::vector<sim::Creature*>& creatures = sim::GetWorld().creatures;
    const float yaws[] = {396, 468, -90, 720, -0.01f, 359.9f};
    for (std::size_t index = 0; index < creatures.size(); ++index)
      creatures[index]->RootComponent->RelativeRotation.Yaw = yaws[index % 6];
    svg_ =
        sim::MapSvg({Player("Alice"), 6000, creatures[12]->id, {{"Camp", {160, 5920, 0}}, {"Dock", {1600, 6400, 0}}}});
    elements_ = MapElements(svg_);
    for (const Element& element : elements_) {
      if (element.name == "text") texts_.push_back(element);
      if (const std::optional<Box> square = MarkerSquare(element)) markers_.push_back(*square);
    }
  }

  std::string svg_;
  std::vector<Element> elements_, texts_;
  std::vector<Box> markers_;
};

TEST_F(CrowdedMapTest, LabelsCoverNoLabelAndNoMarkerAndStayInsideThePicture) {
  ASSERT_GE(markers_.size(), 20u + 3u + 2u);
  ASSERT_GE(texts_.size(), 8u);
  for (std::size_t one = 0; one < texts_.size(); ++one) {
    const Box box = TextInk(texts_[one]);
    EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= sim::kMapSide && box.bottom <= sim::kMapSide)
        << texts_[one].text << " runs off the picture";
    for (std::size_t other = one + 1; other < texts_.size(); ++other)
      EXPECT_FALSE(Overlap(box, TextInk(texts_[other]))) << texts_[one].text << " over " << texts_[other].text;
    for (const Box& marker : markers_)
      EXPECT_FALSE(Overlap(box, marker)) << texts_[one].text << " over a marker at " << marker.left << ", "
                                         << marker.top;
  }
  const auto shown = [&](const std::string& text) {
    return std::any_of(texts_.begin(), texts_.end(), [&](const Element& element) { return element.text == text; });
  };
  for (const char* text :
       {"Alice", "Bob", "Carol", "Camp", "Dock", "8 Raptors", "2 Raptors", "Quetzal", "x 6000", "y 6000", "y 0"})
    EXPECT_TRUE(shown(text)) << text;
}

TEST_F(CrowdedMapTest, YawsAreShownWithinAFullTurn) {
  static const std::regex rotation(R"(rotate\(([-\d.e+]+)\))");
  std::vector<double> angles;
  for (const Element& element : elements_) {
    std::smatch found;
    const std::string transform = element.Text("transform");
    if (element.name == "path" && std::regex_search(transform, found, rotation)) angles.push_back(std::stod(found[1]));
  }
  ASSERT_EQ(angles.size(), 20u);
  EXPECT_EQ(angles[0], 36);
  EXPECT_EQ(angles[1], 108);
  EXPECT_EQ(angles[2], 270);
  EXPECT_EQ(angles[3], 0);
  EXPECT_EQ(angles[4], 0) << "-0.01 reads as 360.0 at one decimal";
  EXPECT_EQ(angles[5], 359.9);
}

#if defined(ORVANEL_HAVE_PNG) && !defined(_WIN32)

TEST_F(CrowdedMapTest, RenderedLabelsInkOnlyTheirBoxesAndAPinUnderAPlayerShows) {
  if (!CanRender()) GTEST_SKIP() << "rsvg-convert is not installed";
  const auto file = root_ / "crowd.svg";
  std::ofstream(file) << svg_;
  const Picture picture = Render(file);
  ASSERT_EQ(picture.width, static_cast<unsigned>(sim::kMapSide));
  const std::vector<std::string> marker_colors{sim::kOwnTeamColor, sim::kOtherTeamColor, sim::kUntamedColor,
                                               sim::kNewMarkColor, sim::kLocationColor,  sim::kPlayerColor};
  const std::vector<std::string> text_colors{sim::kCreatureLabelColor, sim::kPlayerLabelColor, sim::kLocationLabelColor,
                                             sim::kGridLabelColor};
  std::vector<Box> inks;
  for (const Element& text : texts_) inks.push_back(TextInk(text));
  int pin_pixels = 0, stray = 0, covered = 0;
  for (int y = 0; y < sim::kMapSide; ++y) {
    for (int x = 0; x < sim::kMapSide; ++x) {
      const std::string color = picture.At(x, y);
      const Box pixel{x + 0.0, y + 0.0, x + 1.0, y + 1.0};
      // A pixel that a label's ink fills lies within its box, a pixel inside
      // a label's box is no marker's.
      const Box grown{x - 1.0, y - 1.0, x + 2.0, y + 2.0};
      const bool in_label = std::any_of(inks.begin(), inks.end(), [&](const Box& ink) { return Overlap(pixel, ink); });
      const bool near_label =
          std::any_of(inks.begin(), inks.end(), [&](const Box& ink) { return Overlap(grown, ink); });
      if (std::find(text_colors.begin(), text_colors.end(), color) != text_colors.end() && !near_label) ++stray;
      if (std::find(marker_colors.begin(), marker_colors.end(), color) != marker_colors.end() && in_label) ++covered;
      // Carol stands on the location Dock, at (1600, 6400): pixel (500, 430).
      if (color == sim::kLocationColor && std::abs(x - 500) <= 14 && std::abs(y - 430) <= 14) ++pin_pixels;
    }
  }
  EXPECT_EQ(stray, 0) << "text inked outside its box";
  EXPECT_EQ(covered, 0) << "a marker under a label";
  EXPECT_GE(pin_pixels, 40) << "the pin under Carol";
  EXPECT_EQ(picture.At(500, 430), sim::kPlayerColor) << "Carol's dot over the pin";
}

#endif

}  // namespace
