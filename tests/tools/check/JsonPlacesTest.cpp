// The scanner that places JSON pointers in the text: values and keys by line
// and column, characters counted as characters, and the keys an object repeats.
#include "tools/check/JsonPlaces.h"

#include <gtest/gtest.h>

namespace {

using check::FindPlace;
using check::JsonPlaces;
using check::ScanJsonPlaces;

std::string At(const JsonPlaces& places, const std::string& pointer) {
  const check::JsonPlace place = FindPlace(places, pointer);
  return std::to_string(place.key.line) + ":" + std::to_string(place.key.column) + " " +
         std::to_string(place.value.line) + ":" + std::to_string(place.value.column);
}

TEST(JsonPlacesTest, PlacesEveryValueAndKeyByPointer) {
  const JsonPlaces places = ScanJsonPlaces(
      "{\n"
      "  \"a\": {\"b\": [1, {\"c\": true}]},\n"
      "  \"x/y~z\" :\n"
      "    \"text with \\\" and ]\",\n"
      "  \"\\u00e9\": null\n"
      "}\n");
  EXPECT_EQ(At(places, ""), "1:1 1:1");
  EXPECT_EQ(At(places, "/a"), "2:3 2:8");
  EXPECT_EQ(At(places, "/a/b"), "2:9 2:14");
  EXPECT_EQ(At(places, "/a/b/0"), "2:15 2:15");
  EXPECT_EQ(At(places, "/a/b/1/c"), "2:19 2:24");
  EXPECT_EQ(At(places, "/x~1y~0z"), "3:3 4:5");
  EXPECT_EQ(At(places, "/\xC3\xA9"), "5:3 5:13");
  // An absent member is placed at the object that lacks it.
  EXPECT_EQ(At(places, "/a/b/1/missing"), "2:18 2:18");
  EXPECT_TRUE(places.repeats.empty());
}

TEST(JsonPlacesTest, ColumnsCountCharactersAndTheByteOrderMarkIsNone) {
  const std::string text = "\xEF\xBB\xBF{\"\xC3\xA9\xE2\x82\xAC\": 1, \"k\": 2}";
  const JsonPlaces places = ScanJsonPlaces(text);
  EXPECT_EQ(At(places, "/k"), "1:11 1:16");
  EXPECT_EQ(check::PlaceOfOffset(text, text.find("\"k\"")).column, 11);
  EXPECT_EQ(check::PlaceOfOffset("a\nbc", 3).line, 2);
  EXPECT_EQ(check::PlaceOfOffset("a\nbc", 3).column, 2);
  EXPECT_EQ(check::PlaceOfOffset("a\nbc", 99).column, 3);
}

TEST(JsonPlacesTest, ARepeatedKeyNamesBothPlacesAndMapsToTheValueKept) {
  const JsonPlaces places = ScanJsonPlaces("{\"n\": {\"v\": 1},\n \"n\": {\"w\": 2}, \"m\": 3, \"m\": 4, \"m\": 5}");
  ASSERT_EQ(places.repeats.size(), 3u);
  EXPECT_EQ(places.repeats[0].pointer, "/n");
  EXPECT_EQ(places.repeats[0].ignored.line, 1);
  EXPECT_EQ(places.repeats[0].ignored.column, 7);
  EXPECT_EQ(places.repeats[0].kept.line, 2);
  EXPECT_EQ(places.repeats[0].kept.column, 7);
  EXPECT_EQ(places.repeats[2].ignored.column, 30);
  EXPECT_EQ(places.repeats[2].kept.column, 38);
  EXPECT_EQ(At(places, "/n"), "2:2 2:7");
  EXPECT_EQ(At(places, "/m"), "2:33 2:38");
}

TEST(JsonPlacesTest, TextThatDoesNotParseGivesWhatWasScannedBeforeTheFault) {
  const JsonPlaces places = ScanJsonPlaces("{\"a\": 1, \"b\" 2, \"c\": 3}");
  EXPECT_EQ(places.places.count("/a"), 1u);
  EXPECT_EQ(places.places.count("/c"), 0u);
  EXPECT_TRUE(ScanJsonPlaces("").places.empty());
}

}  // namespace
