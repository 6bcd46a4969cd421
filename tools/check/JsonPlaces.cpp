#include "tools/check/JsonPlaces.h"

#include <nlohmann/json.hpp>

namespace check {

namespace {

struct Scanner {
  std::string_view text;
  JsonPlaces& found;
  std::size_t at = 0;
  TextPlace place;

  bool AtEnd() const { return at >= text.size(); }
  char Peek() const { return AtEnd() ? '\0' : text[at]; }

  void Advance() {
    const auto byte = static_cast<unsigned char>(text[at++]);
    if (byte == '\n') {
      ++place.line;
      place.column = 1;
    } else if ((byte & 0xC0) != 0x80) {
      // A UTF-8 continuation byte belongs to the character before it.
      ++place.column;
    }
  }

  void SkipSpace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) Advance();
  }

  // A string token, decoded by the library.
  std::string String() {
    const std::size_t start = at;
    Advance();
    while (!AtEnd() && Peek() != '"') {
      if (Peek() == '\\') Advance();
      if (!AtEnd()) Advance();
    }
    if (!AtEnd()) Advance();
    try {
      return nlohmann::json::parse(text.substr(start, at - start)).get<std::string>();
    } catch (const std::exception&) {
      return std::string(text.substr(start, at - start));
    }
  }

  // Returns false at a fault, which ends the scan.
  bool Value(const std::string& pointer, TextPlace key) {
    SkipSpace();
    if (AtEnd()) return false;
    found.places[pointer] = JsonPlace{place, key};
    const char first = Peek();
    if (first == '"') {
      String();
      return true;
    }
    if (first == '{') return Object(pointer);
    if (first == '[') return Array(pointer);
    while (!AtEnd() && std::string_view(",]} \t\r\n").find(Peek()) == std::string_view::npos) Advance();
    return true;
  }

  bool Object(const std::string& pointer) {
    Advance();
    std::map<std::string, TextPlace> keys;
    for (;;) {
      SkipSpace();
      if (Peek() == '}') break;
      if (Peek() != '"') return false;
      const TextPlace key_place = place;
      const std::string key = String();
      SkipSpace();
      if (Peek() != ':') return false;
      Advance();
      const std::string member = pointer + PointerToken(key);
      SkipSpace();
      const auto [earlier, fresh] = keys.emplace(key, place);
      if (!fresh) {
        found.repeats.push_back(RepeatedKey{member, earlier->second, place});
        earlier->second = place;
      }
      if (!Value(member, key_place)) return false;
      SkipSpace();
      if (Peek() != ',') break;
      Advance();
    }
    if (Peek() != '}') return false;
    Advance();
    return true;
  }

  bool Array(const std::string& pointer) {
    Advance();
    for (std::size_t index = 0;; ++index) {
      SkipSpace();
      if (Peek() == ']') break;
      const std::string element = pointer + "/" + std::to_string(index);
      SkipSpace();
      if (!Value(element, place)) return false;
      SkipSpace();
      if (Peek() != ',') break;
      Advance();
    }
    if (Peek() != ']') return false;
    Advance();
    return true;
  }
};

}  // namespace

std::string PointerToken(const std::string& key) { return (nlohmann::json::json_pointer() / key).to_string(); }

JsonPlaces ScanJsonPlaces(std::string_view text) {
  JsonPlaces found;
  Scanner scanner{text, found, 0, TextPlace{}};
  // A byte order mark is no part of the value.
  if (text.starts_with("\xEF\xBB\xBF")) scanner.at = 3;
  scanner.Value("", scanner.place);
  return found;
}

TextPlace PlaceOfOffset(std::string_view text, std::size_t offset) {
  JsonPlaces unused;
  Scanner scanner{text, unused, 0, TextPlace{}};
  if (text.starts_with("\xEF\xBB\xBF")) scanner.at = 3;
  while (scanner.at < offset && !scanner.AtEnd()) scanner.Advance();
  return scanner.place;
}

JsonPlace FindPlace(const JsonPlaces& places, std::string pointer) {
  for (;;) {
    const auto found = places.places.find(pointer);
    if (found != places.places.end()) return found->second;
    if (pointer.empty()) return JsonPlace{};
    pointer.erase(pointer.rfind('/'));
  }
}

}  // namespace check
