#include "sandbox/game/MapLabels.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>

namespace sim {
namespace {

// A label first tries spots kGap pixels off its marker, then rings kRingStep
// pixels farther out, kRings of them; one more than kLeaderGap off gets a leader.
constexpr double kGap = 2.0;
constexpr double kRingStep = 5.0;
constexpr int kRings = 32;
constexpr double kLeaderGap = 6.0;
// Alike markers whose centres lie within this many lines of text of the first
// of them make one crowd.
constexpr double kCrowdLines = 2.0;

// The directions tried on each ring, in order of preference: beside, then at
// the corners, above and below, then between. Each lies on the unit square
// (the larger of |x| and |y| is 1), so that a spot on it clears the marker's
// square at any distance.
struct Direction {
  double x, y;
};
constexpr double kHalf = 0.4142;  // tan(22.5°)
constexpr std::array<Direction, 16> kDirections{{{1, 0},
                                                 {-1, 0},
                                                 {1, -1},
                                                 {1, 1},
                                                 {-1, -1},
                                                 {-1, 1},
                                                 {0, -1},
                                                 {0, 1},
                                                 {1, -kHalf},
                                                 {1, kHalf},
                                                 {-1, -kHalf},
                                                 {-1, kHalf},
                                                 {kHalf, -1},
                                                 {kHalf, 1},
                                                 {-kHalf, -1},
                                                 {-kHalf, 1}}};

struct Segment {
  double x1, y1, x2, y2;
};

// True when the segment passes through the inside of the box (touching an
// edge or a corner does not count).
bool Crosses(const Segment& segment, const PixelBox& box) {
  const double dx = segment.x2 - segment.x1, dy = segment.y2 - segment.y1;
  const std::array<double, 4> p{-dx, dx, -dy, dy};
  const std::array<double, 4> q{segment.x1 - box.left, box.right - segment.x1, segment.y1 - box.top,
                                box.bottom - segment.y1};
  double from = 0, to = 1;
  for (std::size_t side = 0; side < 4; ++side) {
    if (p[side] == 0) {
      if (q[side] <= 0) return false;
      continue;
    }
    const double t = q[side] / p[side];
    if (p[side] < 0) {
      from = std::max(from, t);
    } else {
      to = std::min(to, t);
    }
    if (from >= to) return false;
  }
  return true;
}

PixelBox SquareOf(const MapMarker& marker) {
  return {marker.x - marker.radius, marker.y - marker.radius, marker.x + marker.radius, marker.y + marker.radius};
}

// What is already drawn, bucketed by cells of the picture, so that a spot is
// checked against its neighbours only and a crowded map stays quick.
struct Occupied {
  static constexpr double kCell = 32.0;
  PixelBox picture;
  std::size_t columns, rows;
  std::vector<PixelBox> markers, labels;
  std::vector<Segment> leaders;
  // Per cell, the indices of what touches it.
  std::vector<std::vector<std::size_t>> markerCells, labelCells, leaderCells;

  explicit Occupied(const PixelBox& bounds)
      : picture(bounds),
        columns(static_cast<std::size_t>(std::max(1.0, std::ceil((bounds.right - bounds.left) / kCell)))),
        rows(static_cast<std::size_t>(std::max(1.0, std::ceil((bounds.bottom - bounds.top) / kCell)))),
        markerCells(columns * rows),
        labelCells(columns * rows),
        leaderCells(columns * rows) {}

  std::size_t Column(double x) const {
    const double cell = std::floor((x - picture.left) / kCell);
    return static_cast<std::size_t>(std::clamp(cell, 0.0, static_cast<double>(columns - 1)));
  }
  std::size_t Row(double y) const {
    const double cell = std::floor((y - picture.top) / kCell);
    return static_cast<std::size_t>(std::clamp(cell, 0.0, static_cast<double>(rows - 1)));
  }
  template <typename Visit>
  void ForCells(const PixelBox& box, Visit visit) const {
    for (std::size_t row = Row(box.top); row <= Row(box.bottom); ++row)
      for (std::size_t column = Column(box.left); column <= Column(box.right); ++column) visit(row * columns + column);
  }
  static PixelBox Bounds(const Segment& segment) {
    return {std::min(segment.x1, segment.x2), std::min(segment.y1, segment.y2), std::max(segment.x1, segment.x2),
            std::max(segment.y1, segment.y2)};
  }

  void AddMarker(const PixelBox& box) {
    ForCells(box, [&](std::size_t cell) { markerCells[cell].push_back(markers.size()); });
    markers.push_back(box);
  }
  void AddLabel(const PixelBox& box) {
    ForCells(box, [&](std::size_t cell) { labelCells[cell].push_back(labels.size()); });
    labels.push_back(box);
  }
  void AddLeader(const Segment& leader) {
    ForCells(Bounds(leader), [&](std::size_t cell) { leaderCells[cell].push_back(leaders.size()); });
    leaders.push_back(leader);
  }

  bool BoxFree(const PixelBox& box) const {
    bool free = true;
    ForCells(box, [&](std::size_t cell) {
      for (const std::size_t index : markerCells[cell]) free = free && !Overlaps(box, markers[index]);
      for (const std::size_t index : labelCells[cell]) free = free && !Overlaps(box, labels[index]);
      for (const std::size_t index : leaderCells[cell]) free = free && !Crosses(leaders[index], box);
    });
    return free;
  }
  bool LeaderFree(const Segment& leader) const {
    bool free = true;
    ForCells(Bounds(leader), [&](std::size_t cell) {
      for (const std::size_t index : labelCells[cell]) free = free && !Crosses(leader, labels[index]);
    });
    return free;
  }
};

// Markers that share one label: alike, and near the first of them.
struct Crowd {
  std::vector<std::size_t> members;
  PixelBox anchor;  // the squares of all of them
};

std::vector<Crowd> Crowds(const std::vector<MapMarker>& markers, const PixelBox& picture, const TextMetrics& metrics) {
  std::vector<Crowd> crowds;
  for (std::size_t index = 0; index < markers.size(); ++index) {
    const MapMarker& marker = markers[index];
    const PixelBox square = SquareOf(marker);
    if (marker.label.empty() || !Overlaps(square, picture)) continue;
    const double reach = kCrowdLines * (metrics.ascent + metrics.descent) * marker.fontSize;
    const auto joins = [&](const Crowd& crowd) {
      const MapMarker& first = markers[crowd.members.front()];
      return first.kind == marker.kind && first.label == marker.label &&
             std::hypot(first.x - marker.x, first.y - marker.y) <= reach;
    };
    const auto found = std::find_if(crowds.begin(), crowds.end(), joins);
    if (found == crowds.end()) {
      crowds.push_back({{index}, square});
      continue;
    }
    found->members.push_back(index);
    found->anchor = {std::min(found->anchor.left, square.left), std::min(found->anchor.top, square.top),
                     std::max(found->anchor.right, square.right), std::max(found->anchor.bottom, square.bottom)};
  }
  return crowds;
}

// The line from the label's box to the nearest edge of the nearest marker it
// names.
Segment Leader(const PixelBox& box, const Crowd& crowd, const std::vector<MapMarker>& markers) {
  Segment best{};
  double best_length = std::numeric_limits<double>::infinity();
  for (const std::size_t index : crowd.members) {
    const MapMarker& marker = markers[index];
    const double from_x = std::clamp(marker.x, box.left, box.right);
    const double from_y = std::clamp(marker.y, box.top, box.bottom);
    const double dx = from_x - marker.x, dy = from_y - marker.y;
    const double length = std::hypot(dx, dy);
    if (length >= best_length) continue;
    // Where the line meets the marker's square.
    const double edge = marker.radius / std::max({std::abs(dx), std::abs(dy), 1e-9});
    best = {from_x, from_y, marker.x + dx * edge, marker.y + dy * edge};
    best_length = length;
  }
  return best;
}

}  // namespace

bool Overlaps(const PixelBox& a, const PixelBox& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const PixelBox& box, const PixelBox& bounds) {
  return box.left >= bounds.left && box.top >= bounds.top && box.right <= bounds.right && box.bottom <= bounds.bottom;
}

double TextWidth(const std::string& text, double font_size, const TextMetrics& metrics) {
  double characters = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if ((byte & 0xC0) == 0x80) continue;  // continues a character already counted
    const auto next = at + 1 < text.size() ? static_cast<unsigned char>(text[at + 1]) : 0;
    // Three bytes from E1 84 on, and four bytes, encode U+1100 and beyond.
    const bool wide = byte >= 0xE2 || (byte == 0xE1 && next >= 0x84);
    characters += wide ? 2 : 1;
  }
  return characters * metrics.advance * font_size;
}

PixelBox TextBox(const std::string& text, double x, double baseline, double font_size, const TextMetrics& metrics) {
  return {x - metrics.padding, baseline - metrics.ascent * font_size - metrics.padding,
          x + TextWidth(text, font_size, metrics) + metrics.padding,
          baseline + metrics.descent * font_size + metrics.padding};
}

std::string CountedLabel(std::size_t count, const std::string& label) {
  const std::string number = std::to_string(count);
  if (label.empty() || !std::isalpha(static_cast<unsigned char>(label.back()))) return number + " \xC3\x97 " + label;
  const auto ends = [&](const char* tail) {
    const std::string end(tail);
    if (label.size() < end.size()) return false;
    std::string last = label.substr(label.size() - end.size());
    for (char& c : last) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return last == end;
  };
  const bool sibilant = ends("s") || ends("x") || ends("z") || ends("ch") || ends("sh");
  return number + " " + label + (sibilant ? "es" : "s");
}

std::vector<MapLabel> PlaceLabels(const std::vector<MapMarker>& markers, const PixelBox& picture,
                                  const std::vector<PixelBox>& keep_clear, const TextMetrics& metrics) {
  Occupied occupied(picture);
  for (const MapMarker& marker : markers)
    if (Overlaps(SquareOf(marker), picture)) occupied.AddMarker(SquareOf(marker));
  for (const PixelBox& box : keep_clear) occupied.AddMarker(box);

  std::vector<MapLabel> placed;
  for (const Crowd& crowd : Crowds(markers, picture, metrics)) {
    const MapMarker& first = markers[crowd.members.front()];
    MapLabel label;
    label.text = crowd.members.size() == 1 ? first.label : CountedLabel(crowd.members.size(), first.label);
    label.fontSize = first.fontSize;
    label.markers = crowd.members;
    const PixelBox shape = TextBox(label.text, 0, 0, label.fontSize, metrics);
    const double width = shape.right - shape.left, height = shape.bottom - shape.top;
    const double center_x = (crowd.anchor.left + crowd.anchor.right) / 2;
    const double center_y = (crowd.anchor.top + crowd.anchor.bottom) / 2;
    const double half_x = (crowd.anchor.right - crowd.anchor.left) / 2;
    const double half_y = (crowd.anchor.bottom - crowd.anchor.top) / 2;
    bool found = false;
    for (int ring = 0; ring <= kRings && !found; ++ring) {
      const double distance = kGap + ring * kRingStep;
      for (const Direction& direction : kDirections) {
        // A point on the square around the anchor at `distance`, and the box
        // hung from it on the side away from the anchor.
        const double x = center_x + (half_x + distance) * direction.x;
        const double y = center_y + (half_y + distance) * direction.y;
        const double left = x - width * (1 - direction.x) / 2, top = y - height * (1 - direction.y) / 2;
        const PixelBox box{left, top, left + width, top + height};
        if (!Inside(box, picture) || !occupied.BoxFree(box)) continue;
        const bool leader = distance > kLeaderGap;
        const Segment line = leader ? Leader(box, crowd, markers) : Segment{};
        if (leader && !occupied.LeaderFree(line)) continue;
        label.box = box;
        label.x = left - shape.left;
        label.baseline = top - shape.top;
        label.leader = leader;
        label.leaderX1 = line.x1;
        label.leaderY1 = line.y1;
        label.leaderX2 = line.x2;
        label.leaderY2 = line.y2;
        occupied.AddLabel(box);
        if (leader) occupied.AddLeader(line);
        found = true;
        break;
      }
    }
    if (found) placed.push_back(label);
  }
  return placed;
}

}  // namespace sim
