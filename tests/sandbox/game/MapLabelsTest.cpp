// Label placement without rendering: a crowd of markers gets labels that cover
// no other label, no marker and no box kept clear, inside the picture, with
// alike neighbours folded into a count and moved labels led back to their marker.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sandbox/game/MapLabels.h"

namespace {

const sim::PixelBox kPicture{0, 0, 800, 800};
const sim::TextMetrics kMetrics;

sim::PixelBox SquareOf(const sim::MapMarker& marker) {
  return {marker.x - marker.radius, marker.y - marker.radius, marker.x + marker.radius, marker.y + marker.radius};
}

// True when the segment from (x1, y1) to (x2, y2) passes through the box's
// inside, tested at many points along it.
bool Crosses(double x1, double y1, double x2, double y2, const sim::PixelBox& box) {
  for (int step = 1; step < 200; ++step) {
    const double t = step / 200.0, x = x1 + (x2 - x1) * t, y = y1 + (y2 - y1) * t;
    if (x > box.left && x < box.right && y > box.top && y < box.bottom) return true;
  }
  return false;
}

// Every rule a placement keeps, as failures of the running test.
void ExpectLegible(const std::vector<sim::MapLabel>& labels, const std::vector<sim::MapMarker>& markers,
                   const std::vector<sim::PixelBox>& keep_clear) {
  for (std::size_t one = 0; one < labels.size(); ++one) {
    const sim::MapLabel& label = labels[one];
    EXPECT_TRUE(sim::Inside(label.box, kPicture)) << label.text;
    EXPECT_NEAR(label.box.right - label.box.left,
                sim::TextWidth(label.text, label.fontSize, kMetrics) + 2 * kMetrics.padding, 1e-9)
        << label.text;
    for (std::size_t other = one + 1; other < labels.size(); ++other)
      EXPECT_FALSE(sim::Overlaps(label.box, labels[other].box)) << label.text << " over " << labels[other].text;
    for (const sim::MapMarker& marker : markers)
      EXPECT_FALSE(sim::Overlaps(label.box, SquareOf(marker))) << label.text << " over the marker of " << marker.label;
    for (const sim::PixelBox& box : keep_clear) EXPECT_FALSE(sim::Overlaps(label.box, box)) << label.text;
    if (!label.leader) continue;
    for (const sim::MapLabel& other : labels) {
      EXPECT_FALSE(Crosses(label.leaderX1, label.leaderY1, label.leaderX2, label.leaderY2, other.box))
          << "the leader of " << label.text << " crosses " << other.text;
    }
    // The leader reaches from the box to one of the markers it names.
    const auto touches = [&](std::size_t index) {
      const sim::PixelBox square = SquareOf(markers[index]);
      return label.leaderX2 >= square.left - 0.01 && label.leaderX2 <= square.right + 0.01 &&
             label.leaderY2 >= square.top - 0.01 && label.leaderY2 <= square.bottom + 0.01;
    };
    EXPECT_TRUE(std::any_of(label.markers.begin(), label.markers.end(), touches)) << label.text;
    EXPECT_TRUE(label.leaderX1 >= label.box.left && label.leaderX1 <= label.box.right &&
                label.leaderY1 >= label.box.top && label.leaderY1 <= label.box.bottom)
        << label.text;
  }
}

const sim::MapLabel* LabelOf(const std::vector<sim::MapLabel>& labels, const std::string& text) {
  for (const sim::MapLabel& label : labels)
    if (label.text == text) return &label;
  return nullptr;
}

TEST(MapLabels, ACrowdGetsLabelsThatCoverNothingAndAlikeNeighboursAreCounted) {
  // A player with a teleport location under them, a second player and pin
  // beside, and twenty creatures within 20 pixels: eight raptors of one team,
  // two of another, five of every other name and five without a name.
  std::vector<sim::MapMarker> markers{{400, 400, 7, "player", "Alice", 13},
                                      {406, 396, 7, "player", "Bob", 13},
                                      {400, 400, 13, "location", "Camp", 12},
                                      {406, 396, 13, "location", "Bob's spot", 12}};
  const char* names[] = {"Rex", "Dodo", "Trike", "Argentavis", "Quetzal"};
  for (int index = 0; index < 20; ++index) {
    const double angle = index * 2.4, distance = 20.0 * std::sqrt((index + 1) / 20.0);
    const std::string label = index < 10 ? "Raptor" : index < 15 ? names[index - 10] : "";
    markers.push_back({400 + distance * std::cos(angle), 400 + distance * std::sin(angle), index % 3 == 0 ? 15.0 : 10.0,
                       index < 8 ? "creature 1001" : "creature 2002", label, 11});
  }
  const std::vector<sim::PixelBox> keep_clear{{380, 340, 460, 352}};
  const std::vector<sim::MapLabel> labels = sim::PlaceLabels(markers, kPicture, keep_clear, kMetrics);
  ExpectLegible(labels, markers, keep_clear);

  // Each named marker is named once: the raptors by team as two counts.
  std::vector<int> named(markers.size());
  for (const sim::MapLabel& label : labels)
    for (const std::size_t index : label.markers) ++named[index];
  for (std::size_t index = 0; index < markers.size(); ++index)
    EXPECT_EQ(named[index], markers[index].label.empty() ? 0 : 1) << index;
  ASSERT_NE(LabelOf(labels, "8 Raptors"), nullptr);
  EXPECT_EQ(LabelOf(labels, "8 Raptors")->markers.size(), 8u);
  EXPECT_NE(LabelOf(labels, "2 Raptors"), nullptr);
  EXPECT_EQ(labels.size(), 2u + 2u + 2u + 5u);
  // Labels pushed out of the crowd are led back to it.
  EXPECT_TRUE(LabelOf(labels, "Quetzal")->leader);
}

TEST(MapLabels, LabelsStayInsideThePictureAndOneWithNoRoomIsLeftOut) {
  const std::vector<sim::MapMarker> corners{{2, 2, 7, "player", "Top left", 13},
                                            {798, 2, 7, "player", "Top right", 13},
                                            {798, 798, 7, "player", "Bottom right", 13},
                                            {-50, 400, 7, "player", "Outside", 13}};
  const std::vector<sim::MapLabel> labels = sim::PlaceLabels(corners, kPicture, {}, kMetrics);
  ExpectLegible(labels, corners, {});
  EXPECT_EQ(labels.size(), 3u) << "a marker outside the picture gets no label";
  for (const sim::MapLabel& label : labels) EXPECT_FALSE(label.leader) << label.text << " fits beside its marker";

  // Three labels that fit only where the others would go: the first two get
  // room and the third is left out.
  const sim::PixelBox narrow{0, 0, 64, 40};
  const std::vector<sim::MapMarker> tight{
      {32, 20, 3, "player", "AAAA", 10}, {32, 20, 3, "player", "BBBB", 10}, {32, 20, 3, "player", "CCCC", 10}};
  const std::vector<sim::MapLabel> placed = sim::PlaceLabels(tight, narrow, {{0, 0, 64, 6}, {0, 34, 64, 40}}, kMetrics);
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_EQ(placed[0].text, "AAAA");
  EXPECT_EQ(placed[1].text, "BBBB");
  EXPECT_FALSE(sim::Overlaps(placed[0].box, placed[1].box));
}

TEST(MapLabels, TextWidthsAndCounts) {
  EXPECT_DOUBLE_EQ(sim::TextWidth("Alice", 10, kMetrics), 5 * 10 * kMetrics.advance);
  // "é" is one character, "恐竜" two wide ones.
  EXPECT_DOUBLE_EQ(sim::TextWidth("\xC3\xA9", 10, kMetrics), 10 * kMetrics.advance);
  EXPECT_DOUBLE_EQ(sim::TextWidth("\xE6\x81\x90\xE7\xAB\x9C", 10, kMetrics), 4 * 10 * kMetrics.advance);
  const sim::PixelBox box = sim::TextBox("ab", 100, 50, 10, kMetrics);
  EXPECT_LT(box.top, 50 - 7.3) << "capitals reach 0.73 of the size above the baseline";
  EXPECT_GT(box.bottom, 50 + 2.3) << "descenders 0.23 below";

  EXPECT_EQ(sim::CountedLabel(3, "Raptor"), "3 Raptors");
  EXPECT_EQ(sim::CountedLabel(2, "Rex"), "2 Rexes");
  EXPECT_EQ(sim::CountedLabel(2, "Argentavis"), "2 Argentavises");
  EXPECT_EQ(sim::CountedLabel(4, "Rex 2"), "4 \xC3\x97 Rex 2");
}

}  // namespace
