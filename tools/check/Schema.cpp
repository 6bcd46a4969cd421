#include "tools/check/Schema.h"

#include <string_view>

#include <valijson/adapters/nlohmann_json_adapter.hpp>
#include <valijson/schema.hpp>
#include <valijson/schema_parser.hpp>
#include <valijson/validation_results.hpp>
#include <valijson/validator.hpp>

#include "tools/check/JsonPlaces.h"

using nlohmann::json;

namespace check {

// The schema's text, built in from plugin/config.schema.json.
extern const char* const kConfigSchemaText;

namespace {

constexpr std::string_view kUnknownProperty =
    "Object contains a property that could not be validated using 'properties' or 'additionalProperties' "
    "constraints: '";

valijson::ValidationResults Validate(const json& config, const json& schema) {
  valijson::Schema parsed;
  valijson::SchemaParser parser;
  const valijson::adapters::NlohmannJsonAdapter schema_adapter(schema);
  parser.populateSchema(schema_adapter, parsed);
  valijson::Validator validator;
  valijson::ValidationResults results;
  const valijson::adapters::NlohmannJsonAdapter target(config);
  validator.validate(parsed, target, &results);
  return results;
}

// The validator's path ("<root>", "[Commands]", "[0]", ...) as a JSON pointer.
std::string PointerOf(const std::vector<std::string>& context) {
  std::string pointer;
  for (const std::string& token : context)
    if (token.size() >= 2 && token.front() == '[' && token.back() == ']')
      pointer += PointerToken(token.substr(1, token.size() - 2));
  return pointer;
}

const json* Resolve(const json& schema, const json* node) {
  for (int hops = 0; node != nullptr && node->is_object() && node->contains("$ref") && hops < 16; ++hops) {
    const std::string reference = (*node)["$ref"].get<std::string>();
    if (!reference.starts_with("#")) return nullptr;
    const json::json_pointer target(reference.substr(1));
    node = schema.contains(target) ? &schema.at(target) : nullptr;
  }
  return node;
}

}  // namespace

const json& ConfigSchema() {
  static const json schema = json::parse(kConfigSchemaText);
  return schema;
}

std::vector<std::string> KnownKeysAt(const json& schema, const std::string& pointer) {
  std::vector<std::string> tokens;
  for (json::json_pointer walk(pointer); !walk.empty(); walk.pop_back()) tokens.insert(tokens.begin(), walk.back());
  const json* node = Resolve(schema, &schema);
  for (const std::string& token : tokens) {
    if (node == nullptr || !node->is_object()) return {};
    if (node->contains("properties") && (*node)["properties"].contains(token))
      node = &(*node)["properties"][token];
    else if (node->contains("additionalProperties") && (*node)["additionalProperties"].is_object())
      node = &(*node)["additionalProperties"];
    else if (node->contains("items") && (*node)["items"].is_object())
      node = &(*node)["items"];
    else
      return {};
    node = Resolve(schema, node);
  }
  std::vector<std::string> known;
  if (node != nullptr && node->is_object() && node->contains("properties"))
    for (const auto& [key, unused] : (*node)["properties"].items()) known.push_back(key);
  return known;
}

std::vector<UnknownKey> FindUnknownKeys(const json& config, const json& schema) {
  // The validator names one unknown key per object: each found is taken out of
  // a copy and the copy validated again, until none is left.
  std::vector<UnknownKey> found;
  json rest = config;
  for (;;) {
    bool more = false;
    for (const auto& error : Validate(rest, schema)) {
      if (!error.description.starts_with(kUnknownProperty)) continue;
      std::string key = error.description.substr(kUnknownProperty.size());
      if (key.size() >= 2) key.resize(key.size() - 2);  // the closing "'."
      const std::string pointer = PointerOf(error.context);
      const json::json_pointer place(pointer);
      if (!rest.contains(place)) continue;
      json& holder = rest.at(place);
      if (!holder.is_object() || !holder.contains(key)) continue;
      holder.erase(key);
      found.push_back(UnknownKey{pointer, key, KnownKeysAt(schema, pointer)});
      more = true;
    }
    if (!more) return found;
  }
}

std::vector<std::string> SchemaViolations(const json& config, const json& schema) {
  std::vector<std::string> messages;
  for (const auto& error : Validate(config, schema))
    messages.push_back(PointerOf(error.context) + ": " + error.description);
  return messages;
}

}  // namespace check
