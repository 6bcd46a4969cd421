// The configuration's JSON Schema (plugin/config.schema.json, built into the
// checker) and what its validator says of a configuration: the keys it does
// not know, each with the keys known at its place, and every other violation.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace check {

const nlohmann::json& ConfigSchema();

struct UnknownKey {
  // The object that holds the key, and the key.
  std::string pointer;
  std::string key;
  std::vector<std::string> known;
};

// Every member of `config` that `schema` does not allow, in the validator's order.
std::vector<UnknownKey> FindUnknownKeys(const nlohmann::json& config, const nlohmann::json& schema);

// Every message of the validator on `config`: empty when it validates.
std::vector<std::string> SchemaViolations(const nlohmann::json& config, const nlohmann::json& schema);

// The member names that `schema` lists for the object at `pointer`, $refs followed.
std::vector<std::string> KnownKeysAt(const nlohmann::json& schema, const std::string& pointer);

}  // namespace check
