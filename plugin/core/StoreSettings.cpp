#include "orvanel/core/StoreSettings.h"

#include <stdexcept>
#include <string_view>
#include <vector>

#include "orvanel/core/AsciiCase.h"
#include "orvanel/core/KeyReads.h"

using nlohmann::json;

namespace {

struct Attribute {
  std::string key;
  std::string value;
  std::size_t valueAt = 0;  // where the value begins, braces included
  std::size_t valueEnd = 0;
};

// The attributes of an ODBC connection string: KEY=VALUE pairs split by ';',
// a value in braces taken whole, ';' and all. The pieces that are no pair, and
// a brace left open, go to `shape` when it is given.
std::vector<Attribute> Attributes(const std::string& connection, ConnectionShape* shape = nullptr) {
  std::vector<Attribute> found;
  std::size_t at = 0;
  int piece = 0;
  while (at < connection.size()) {
    ++piece;
    const std::size_t equals = connection.find('=', at);
    const std::size_t semicolon = connection.find(';', at);
    if (equals == std::string::npos || (semicolon != std::string::npos && semicolon < equals)) {
      const std::size_t end = semicolon == std::string::npos ? connection.size() : semicolon;
      if (shape != nullptr && connection.find_first_not_of(' ', at) < end) shape->strayPieces.push_back(piece);
      if (semicolon == std::string::npos) break;
      at = semicolon + 1;
      continue;
    }
    Attribute attribute;
    attribute.key = connection.substr(at, equals - at);
    attribute.valueAt = equals + 1;
    std::size_t end = attribute.valueAt;
    if (end < connection.size() && connection[end] == '{') {
      const std::size_t close = connection.find('}', end);
      if (close == std::string::npos && shape != nullptr) shape->braceOpen = true;
      end = close == std::string::npos ? connection.size() : close + 1;
      attribute.value =
          connection.substr(attribute.valueAt + 1, end - attribute.valueAt - (close == std::string::npos ? 1 : 2));
    } else {
      end = connection.find(';', end);
      if (end == std::string::npos) end = connection.size();
      attribute.value = connection.substr(attribute.valueAt, end - attribute.valueAt);
    }
    attribute.valueEnd = end;
    found.push_back(std::move(attribute));
    at = end < connection.size() ? connection.find(';', end) : std::string::npos;
    if (at == std::string::npos) break;
    ++at;
  }
  return found;
}

std::string Trimmed(std::string text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsSecretKey(const std::string& key) {
  const std::string lower = AsciiLower(Trimmed(key));
  return lower == "pwd" || lower == "password";
}

[[noreturn]] void Fail(const std::string& text) {
  throw std::invalid_argument("Features \"Cooldowns\" \"Store\": " + text);
}

}  // namespace

std::string MaskedConnection(const std::string& connection) {
  std::string masked;
  std::size_t copied = 0;
  for (const Attribute& attribute : Attributes(connection)) {
    if (!IsSecretKey(attribute.key)) continue;
    masked.append(connection, copied, attribute.valueAt - copied);
    masked += "***";
    copied = attribute.valueEnd;
  }
  masked.append(connection, copied);
  return masked;
}

ConnectionShape ReadConnectionShape(const std::string& connection) {
  ConnectionShape shape;
  for (const Attribute& attribute : Attributes(connection, &shape)) {
    const std::string key = Trimmed(attribute.key);
    shape.keys.push_back(key);
    if (IsSecretKey(key)) shape.secret = true;
  }
  return shape;
}

std::optional<std::string> ConnectionValue(const std::string& connection, const std::string& key) {
  for (const Attribute& attribute : Attributes(connection))
    if (AsciiLower(Trimmed(attribute.key)) == AsciiLower(key)) return attribute.value;
  return std::nullopt;
}

std::optional<StoreSettings> ReadStoreSettings(const json& cooldowns) {
  if (!cooldowns.is_object() || !cooldowns.contains(NoteKeyRead("", "Store"))) return std::nullopt;
  const json& entry = cooldowns["Store"];
  if (!entry.is_object()) Fail("must be an object with \"Connection\" and \"Server\"");
  StoreSettings settings;
  const auto text = [&](const char* key) -> std::string {
    if (!entry.contains(NoteKeyRead("/Store", key))) Fail(std::string("\"") + key + "\" is missing");
    const json& value = entry[key];
    if (!value.is_string() || value.get_ref<const std::string&>().empty())
      Fail(std::string("\"") + key + "\" must be a text that is not empty");
    return value.get<std::string>();
  };
  settings.connection = text("Connection");
  settings.server = text("Server");
  if (entry.contains(NoteKeyRead("/Store", "WaitMs"))) {
    const json& wait = entry["WaitMs"];
    if (!wait.is_number_integer() || wait.get<int64_t>() < 1 || wait.get<int64_t>() > kStoreWaitMsMost)
      Fail("\"WaitMs\" must be a whole number of milliseconds from 1 to " + std::to_string(kStoreWaitMsMost));
    settings.waitMs = wait.get<int64_t>();
  }
  if (entry.contains(NoteKeyRead("/Store", "WhenUnreachable"))) {
    const json& when = entry["WhenUnreachable"];
    if (when == "refuse")
      settings.whenUnreachable = WhenUnreachable::Refuse;
    else if (when == "local")
      settings.whenUnreachable = WhenUnreachable::Local;
    else
      Fail("\"WhenUnreachable\" must be \"refuse\" or \"local\"");
  }
  return settings;
}
