// The command table against what names the commands outside the code: the
// config schema, the README's table of commands and the example config name
// exactly the table's commands, each with its kind and its catalogue.
#include "orvanel/core/CommandTable.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tools/check/Schema.h"

using nlohmann::json;

namespace {

std::string ReadSource(const std::string& path) {
  std::ifstream file(std::string(ORVANEL_EXAMPLES_DIR) + "/../" + path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

const char* KindWord(CommandKind kind) { return kind == CommandKind::Chat ? "chat" : "console"; }

TEST(CommandTableTest, TheReadmeNamesEveryCommandWithItsKindInTableOrder) {
  // "| `Health_Chat` | chat | ..." rows of the README's table of commands.
  const std::regex row(R"(^\| `([A-Za-z_]+)` +\| (chat|console) +\|)");
  std::vector<std::string> listed;
  std::istringstream lines(ReadSource("README.md"));
  for (std::string line; std::getline(lines, line);)
    if (std::smatch match; std::regex_search(line, match, row)) listed.push_back(match[1].str() + " " + match[2].str());
  std::vector<std::string> table;
  for (const CommandRow& command : kCommandRows)
    table.push_back(std::string(command.key) + " " + KindWord(command.kind));
  EXPECT_EQ(listed, table);
}

TEST(CommandTableTest, TheSchemaAndTheExampleConfigNameEveryCommandAndItsCatalogue) {
  const json& commands = check::ConfigSchema()["properties"]["Commands"]["properties"];
  const json example = json::parse(ReadSource("examples/server/TalvexApi/Plugins/Orvanel/config.json"));
  std::vector<std::string> schema_keys;
  std::vector<std::string> example_keys;
  for (const auto& [key, unused] : commands.items()) schema_keys.push_back(key);
  for (const auto& [key, unused] : example["Commands"].items()) example_keys.push_back(key);
  std::vector<std::string> table;
  for (const CommandRow& command : kCommandRows) table.emplace_back(command.key);
  std::sort(table.begin(), table.end());
  EXPECT_EQ(schema_keys, table);
  EXPECT_EQ(example_keys, table);

  for (const CommandRow& command : kCommandRows) {
    SCOPED_TRACE(command.key);
    const json& entry = commands[command.key];
    const json& properties =
        entry.contains("$ref")
            ? check::ConfigSchema().at(json::json_pointer(entry["$ref"].get<std::string>().substr(1)))["properties"]
            : entry["properties"];
    for (const char* member : {"Templates", "Locations"})
      EXPECT_EQ(properties.contains(member), command.HasCatalogue() && std::string(command.catalogue.member) == member);
    EXPECT_EQ(example["Commands"][command.key].contains("Command"), true);
  }
}

TEST(CommandTableTest, KeysAreUniqueAndTheirSuffixSaysTheirKind) {
  std::set<std::string> keys;
  for (const CommandRow& command : kCommandRows) {
    EXPECT_TRUE(keys.insert(command.key).second) << command.key;
    const std::string key = command.key;
    EXPECT_TRUE(key.ends_with(command.kind == CommandKind::Chat ? "_Chat" : "_Console")) << key;
    EXPECT_EQ(FindCommandRow(key), &command);
  }
  EXPECT_EQ(FindCommandRow("Teleport_Console"), nullptr);
}

}  // namespace
