// The config schema against the plugin: the example validates, every key the
// reading code reads is in the schema and every key the schema lists is read,
// and the validator's unknown keys come with the keys known at their place.
#include "tools/check/Schema.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "orvanel/core/CommandTable.h"
#include "orvanel/core/KeyReads.h"
#include "orvanel/core/Settings.h"
#include "orvanel/core/TemplateReading.h"
#include "orvanel/core/UseLimits.h"

using nlohmann::json;

namespace {

const json& Resolved(const json& node) {
  if (!node.contains("$ref")) return node;
  return check::ConfigSchema().at(json::json_pointer(node["$ref"].get<std::string>().substr(1)));
}

// A value of `node` holding every property the schema lists, one member named
// "name" of each catalogue and one element of each list; the pointer of every
// listed property goes to `keys`.
json Sample(const json& node, const std::string& at, std::set<std::string>& keys) {
  const json& schema = Resolved(node);
  // Of a value that may take several forms, the first.
  if (schema.contains("anyOf")) return Sample(schema["anyOf"][0], at, keys);
  if (schema.contains("properties") || schema.value("type", "") == "object") {
    json value = json::object();
    if (schema.contains("properties"))
      for (const auto& [key, property] : schema["properties"].items()) {
        if (key == "$schema") continue;
        keys.insert(at + "/" + key);
        value[key] = Sample(property, at + "/" + key, keys);
      }
    if (schema.contains("additionalProperties") && schema["additionalProperties"].is_object())
      value["name"] = Sample(schema["additionalProperties"], at + "/name", keys);
    return value;
  }
  const std::string type = schema.value("type", "");
  if (type == "array") return json::array({Sample(schema["items"], at + "/0", keys)});
  if (schema.contains("enum")) return schema["enum"][0];
  if (type == "string") return "/Game/A.A";
  if (type == "boolean") return false;
  return 1;
}

TEST(SchemaTest, EveryKeyReadIsInTheSchemaAndEveryKeyInTheSchemaIsRead) {
  std::set<std::string> listed;
  json full = Sample(check::ConfigSchema(), "", listed);
  // A group's sample inherits no group, which the read would refuse.
  full["Features"]["Permissions"]["Groups"]["name"]["Inherits"] = json::array();
  // The entry names of "Commands" are the command keys, looked up by name.
  std::set<std::string> names;
  for (const auto& [key, unused] : full["Commands"].items()) names.insert(key);
  std::set<std::string> keys;
  for (const CommandRow& row : kCommandRows) keys.insert(row.key);
  EXPECT_EQ(names, keys);
  for (const char* section : {"/Commands/", "/Features/"})
    for (const auto& [key, unused] : full[std::string(section).substr(1, std::string(section).size() - 2)].items())
      listed.erase(section + key);

  std::set<std::string> read;
  std::string at;
  SetKeyReadRecorder([&](const std::string& pointer) { read.insert(at + pointer); });
  ReadSettings(json{{"Commands", json::object()}, {"Features", json::object()}});
  for (const auto& [key, entry] : full["Commands"].items()) {
    at = "/Commands/" + key;
    ParseCommandSettings(entry);
  }
  for (const auto& [name, entry] : full["Features"].items()) {
    at = "/Features/" + name;
    ParseFeatureSettings(name, entry);
  }
  for (const CommandRow& row : kCommandRows) {
    if (!row.HasCatalogue()) continue;
    at = std::string("/Commands/") + row.key;
    const json* element = FindCatalogueElement(full["Commands"][row.key], row.catalogue.member, "name");
    ASSERT_NE(element, nullptr);
    at += std::string("/") + row.catalogue.member + "/name";
    switch (row.catalogue.kind) {
      case CatalogueKind::ItemKits:
        ReadItemKit(*element);
        break;
      case CatalogueKind::CreatureTemplates:
        ReadCreatureTemplate(*element);
        break;
      case CatalogueKind::TeleportLocations:
        ReadTeleportLocation(*element);
        break;
      case CatalogueKind::None:
        break;
    }
    ReadUseLimits(*element);
    ReadGroupLimits(*element);
    ReadEntryWhitelist(*element);
  }
  SetKeyReadRecorder({});
  std::set<std::string> readOnly;
  std::set<std::string> listedOnly;
  std::set_difference(read.begin(), read.end(), listed.begin(), listed.end(), std::inserter(readOnly, readOnly.end()));
  std::set_difference(listed.begin(), listed.end(), read.begin(), read.end(),
                      std::inserter(listedOnly, listedOnly.end()));
  EXPECT_EQ(readOnly, std::set<std::string>{}) << "read but not in the schema";
  EXPECT_EQ(listedOnly, std::set<std::string>{}) << "in the schema but never read";
  EXPECT_TRUE(read.count("/Commands/SpawnTemplate_Console/Templates/name/tamedLevelMovementSpeed"));
  EXPECT_TRUE(read.count("/Commands/ItemTemplate_Console/Templates/name/items/0/blueprints"));
}

TEST(SchemaTest, TheExampleConfigValidatesAndAnotherValueDoesNot) {
  std::ifstream file(std::string(ORVANEL_EXAMPLES_DIR) + "/server/TalvexApi/Plugins/Orvanel/config.json");
  const json example = json::parse(file);
  EXPECT_EQ(example["$schema"], "../../../../../plugin/config.schema.json");
  EXPECT_EQ(check::SchemaViolations(example, check::ConfigSchema()), std::vector<std::string>{});
  json faulty = example;
  faulty["Commands"]["SpawnTemplate_Console"]["Templates"]["dodoring"]["facing"] = "inward";
  faulty["Commands"]["Health_Chat"]["Enabled"] = "true";
  EXPECT_FALSE(check::SchemaViolations(faulty, check::ConfigSchema()).empty());
  EXPECT_EQ(check::ConfigSchema()["$schema"], "http://json-schema.org/draft-07/schema#");
}

TEST(SchemaTest, EveryUnknownKeyOfAnObjectIsNamedWithTheKeysKnownThere) {
  const json config = json::parse(R"({"Commands": {"TeleportTo_Console": {"Locations": {
      "Camp": {"X": 1, "Y": 2, "z": 3}}}, "Teleport_Console": {}}, "Extra": 1})");
  std::vector<std::string> found;
  for (const check::UnknownKey& unknown : check::FindUnknownKeys(config, check::ConfigSchema())) {
    std::string known;
    for (const std::string& key : unknown.known) known += key + " ";
    found.push_back(unknown.pointer + " " + unknown.key + ": " + known);
  }
  std::sort(found.begin(), found.end());
  // At "/Commands" the known keys are the command keys, in byte order.
  std::set<std::string> command_keys;
  for (const CommandRow& row : kCommandRows) command_keys.insert(row.key);
  std::string commands = "/Commands Teleport_Console: ";
  for (const std::string& key : command_keys) commands += key + " ";
  EXPECT_EQ(found, (std::vector<std::string>{
                       " Extra: $schema Commands Features ",
                       commands,
                       "/Commands/TeleportTo_Console/Locations/Camp X: Limits Whitelist cooldown uses x y z ",
                       "/Commands/TeleportTo_Console/Locations/Camp Y: Limits Whitelist cooldown uses x y z ",
                   }));
  EXPECT_EQ(check::KnownKeysAt(check::ConfigSchema(), "/Commands/SpawnTemplate_Console/Templates/any/items/3"),
            (std::vector<std::string>{"blueprint", "count", "quantity"}));
  EXPECT_TRUE(check::KnownKeysAt(check::ConfigSchema(), "/Commands/Nothing").empty());
}

}  // namespace
