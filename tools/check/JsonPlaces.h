// Where each value of a JSON text stands: the line and column of every value and
// member key by JSON pointer, and every key an object repeats. Meant for text the
// JSON library parsed; on other text it gives what it scanned before the fault.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace check {

// Line and column from 1; a column counts characters (UTF-8 sequences), not bytes.
struct TextPlace {
  int line = 1;
  int column = 1;
};

struct JsonPlace {
  TextPlace value;
  // The member's key; the value's own place for array elements and the root.
  TextPlace key;
};

// A key met again in the same object: the library keeps the last value.
struct RepeatedKey {
  std::string pointer;
  TextPlace ignored;
  TextPlace kept;
};

struct JsonPlaces {
  // By JSON pointer; a repeated key maps to the value that is kept.
  std::map<std::string, JsonPlace> places;
  std::vector<RepeatedKey> repeats;
};

JsonPlaces ScanJsonPlaces(std::string_view text);

// The place of the byte at `offset` (the end of the text for an offset beyond it).
TextPlace PlaceOfOffset(std::string_view text, std::size_t offset);

// The place at `pointer`, or at its nearest ancestor that has one (a key that is
// absent is placed at the object that lacks it).
JsonPlace FindPlace(const JsonPlaces& places, std::string pointer);

// The pointer token of an object member: "/" and the key with "~" and "/" escaped.
std::string PointerToken(const std::string& key);

}  // namespace check
