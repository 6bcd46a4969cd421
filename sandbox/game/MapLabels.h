// Where the map's labels go: a pure function of the markers (place, size, label),
// the picture's bounds and an estimate of text widths, so that no label covers
// another, a marker or a box kept clear, and each stays inside the picture.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sim {

// A rectangle in pixels, y downwards.
struct PixelBox {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// True when the two share more than an edge.
bool Overlaps(const PixelBox& a, const PixelBox& b);
// True when `box` lies within `bounds`, edges included.
bool Inside(const PixelBox& box, const PixelBox& bounds);

// Text sizes in a monospace font, as fractions of the font size: every
// character is one advance wide (DejaVu Sans Mono's is 0.602), but characters
// from U+1100 on count two, since the fonts that draw wide scripts may draw
// them up to twice as wide. The box reaches from above accented capitals to
// below descenders, with `padding` pixels around.
struct TextMetrics {
  double advance = 0.61;
  double ascent = 0.96;
  double descent = 0.26;
  double padding = 1.0;
};

double TextWidth(const std::string& text, double font_size, const TextMetrics& metrics);
// The box of `text` (UTF-8) whose baseline starts at (x, baseline), left-aligned.
PixelBox TextBox(const std::string& text, double x, double baseline, double font_size, const TextMetrics& metrics);

struct MapMarker {
  double x = 0, y = 0;  // its centre
  double radius = 0;    // half the side of the square it covers
  // Markers of one kind with one label that crowd a spot share one label,
  // "3 Raptors". A marker with no label is still kept clear.
  std::string kind;
  std::string label;
  double fontSize = 12;
};

struct MapLabel {
  std::string text;
  double x = 0, baseline = 0;  // where the text starts, left-aligned
  PixelBox box;                // what it covers
  double fontSize = 12;
  std::vector<std::size_t> markers;  // the markers it names, by index
  // A label moved away from its marker gets a line to it, from the box's edge
  // to the marker's nearest edge.
  bool leader = false;
  double leaderX1 = 0, leaderY1 = 0, leaderX2 = 0, leaderY2 = 0;
};

// A label for each marker or crowd of alike markers, in the order given (the
// first are placed first, so put the most important first). Each tries spots
// all around its marker, the nearest first, and takes the first that stays
// inside `picture` and covers no marker, no label placed before it, no leader
// line and none of `keep_clear`; its own leader line must cross no other
// label. A label for which no spot is left is not drawn. Markers whose square
// lies outside `picture` get no label and keep nothing clear.
std::vector<MapLabel> PlaceLabels(const std::vector<MapMarker>& markers, const PixelBox& picture,
                                  const std::vector<PixelBox>& keep_clear, const TextMetrics& metrics);

// "3 Raptors", "2 Rexes": a count of markers with one label.
std::string CountedLabel(std::size_t count, const std::string& label);

}  // namespace sim
