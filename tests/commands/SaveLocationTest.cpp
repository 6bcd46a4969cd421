// The save-location command end to end: the file as the operator wrote it with
// one member inserted or replaced, the location usable at once, the refusals,
// and the file never torn nor written over an edit made since the load.
#include <fstream>
#include <sstream>

#include "support/PluginTest.h"

using nlohmann::json;

namespace {

// An operator's file: comments are not JSON, so the layout is what is kept:
// odd indentation, key order, a number written as 1.50e3, an escaped key.
constexpr const char* kOperatorLocations = R"({
  "Commands": {
    "TeleportTo_Console": {"Command": "tp",
        "Locations": {
            "Camp": {"x": 1.50e3, "y": -200, "z": 30},
            "Sh\u0065d":   {"z": 7}
        }
    },
    "SaveLocation_Console": { "Command": "savehere" },
    "ReloadConfig_Console": {"Command": "reload"}
  },
  "Features": {}
}
)";

class SaveLocationTest : public PluginTest {
 protected:
  std::filesystem::path ConfigFile() const { return root_ / "TalvexApi" / "Plugins" / "Orvanel" / "config.json"; }

  std::string FileText() const {
    std::ifstream file(ConfigFile(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  void Start(const std::string& text) {
    WriteConfigText(text);
    AddWorld(ThreePlayers());
    LoadPlugin();
  }

  void MoveAliceTo(float x, float y, float z) { Player("Alice")->DefaultActorLocation = FVector{x, y, z}; }

  json PositionOf(const std::string& name) {
    const json world = Dump();
    for (const json& player : world["players"])
      if (player["name"] == name) return player["position"];
    return nullptr;
  }
};

TEST_F(SaveLocationTest, ANewNameIsInsertedAfterTheLastLocationAndEveryOtherByteKept) {
  Start(kOperatorLocations);
  MoveAliceTo(1500.25f, -0.5f, 1e7f);
  Console("Alice", "savehere Ridge");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Saved Ridge at 1500.25, -0.5, 10000000."});
  std::string expected = kOperatorLocations;
  const std::string after = R"("Sh\u0065d":   {"z": 7})";
  expected.insert(expected.find(after) + after.size(),
                  // With the last location's indentation and its separator.
                  ",\n            \"Ridge\":   {\"x\": 1500.25, \"y\": -0.5, \"z\": 10000000}");
  EXPECT_EQ(FileText(), expected);
  EXPECT_FALSE(std::filesystem::exists(ConfigFile().string() + ".tmp"));
  // Usable at once, by anyone, without a reload.
  ClearRecord();
  Console("Bob", "tp Ridge");
  EXPECT_EQ(PositionOf("Bob"), json({1500.25, -0.5, 10000000.0}));
  // And what a reload reads of the written file is the same.
  Console("Alice", "reload");
  Console("Carol", "tp Ridge");
  EXPECT_EQ(PositionOf("Carol"), json({1500.25, -0.5, 10000000.0}));
}

TEST_F(SaveLocationTest, AnExistingNameIsKeptUnlessReplacedAndThenOnlyItsValueChanges) {
  Start(kOperatorLocations);
  MoveAliceTo(1, 2, 3);
  Console("Alice", "savehere Camp");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Camp exists already; savehere Camp replace replaces it."});
  EXPECT_EQ(FileText(), kOperatorLocations);
  // The escaped key is the name a parse reads.
  ClearRecord();
  Console("Alice", "savehere Shed");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Shed exists already; savehere Shed replace replaces it."});
  ClearRecord();
  Console("Alice", "savehere Camp replace");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Saved Camp at 1, 2, 3."});
  std::string expected = kOperatorLocations;
  const std::string old_value = R"({"x": 1.50e3, "y": -200, "z": 30})";
  expected.replace(expected.find(old_value), old_value.size(), R"({"x": 1, "y": 2, "z": 3})");
  EXPECT_EQ(FileText(), expected);
  Console("Bob", "tp Camp");
  EXPECT_EQ(PositionOf("Bob"), json({1.0, 2.0, 3.0}));
}

TEST_F(SaveLocationTest, OfADuplicatedNameTheOneAParseKeepsIsReplaced) {
  const std::string text =
      "{\"Commands\": {\"SaveLocation_Console\": {\"Command\": \"savehere\"},\n"
      "  \"TeleportTo_Console\": {\"Command\": \"tp\", \"Locations\": "
      "{\"Spot\": {\"x\": 1}, \"Spot\": {\"x\": 2}}}}}";
  Start(text);
  MoveAliceTo(9, 0, 0);
  Console("Alice", "savehere Spot replace");
  std::string expected = text;
  expected.replace(expected.rfind("{\"x\": 2}"), 8, "{\"x\": 9, \"y\": 0, \"z\": 0}");
  EXPECT_EQ(FileText(), expected);
  Console("Bob", "tp Spot");
  EXPECT_EQ(PositionOf("Bob"), json({9.0, 0.0, 0.0}));
}

TEST_F(SaveLocationTest, MissingTeleportEntryAndLocationsAreCreated) {
  const std::string without_entry = "{\"Commands\": {\"SaveLocation_Console\": {\"Command\": \"savehere\"}}}\n";
  Start(without_entry);
  MoveAliceTo(5, 6, 7);
  Console("Alice", "savehere Spot");
  // Saved, and said to wait for a teleport command: commands register at load only.
  EXPECT_EQ(ChatTo("Alice"), (std::vector<std::string>{"Saved Spot at 5, 6, 7.",
                                                       "No command uses Spot until TeleportTo_Console is registered, "
                                                       "at a load of the plugin with its \"Command\"."}));
  EXPECT_EQ(FileText(),
            "{\"Commands\": {\"SaveLocation_Console\": {\"Command\": \"savehere\"}, "
            "\"TeleportTo_Console\": {\"Locations\": {\"Spot\": {\"x\": 5, \"y\": 6, \"z\": 7}}}}}\n");
  EXPECT_EQ(json::parse(FileText())["Commands"]["TeleportTo_Console"]["Locations"]["Spot"],
            json({{"x", 5}, {"y", 6}, {"z", 7}}));
}

TEST_F(SaveLocationTest, AByteOrderMarkStaysWhereItIs) {
  const std::string text = "\xEF\xBB\xBF{\"Commands\": {\"SaveLocation_Console\": {\"Command\": \"savehere\"}}}";
  Start(text);
  Console("Alice", "savehere Here");
  EXPECT_EQ(FileText(),
            "\xEF\xBB\xBF{\"Commands\": {\"SaveLocation_Console\": {\"Command\": \"savehere\"}, "
            "\"TeleportTo_Console\": {\"Locations\": {\"Here\": {\"x\": 0, \"y\": 0, \"z\": 0}}}}}");
}

TEST_F(SaveLocationTest, AnEntryWithoutLocationsGetsThemWithItsOwnIndentation) {
  const std::string text =
      "{\n  \"Commands\": {\n    \"TeleportTo_Console\": {},\n"
      "    \"SaveLocation_Console\": {\"Command\": \"savehere\"}\n  }\n}\n";
  Start(text);
  Console("Alice", "savehere Here");
  EXPECT_EQ(FileText(),
            "{\n  \"Commands\": {\n    \"TeleportTo_Console\": {\n      \"Locations\": {\"Here\": "
            "{\"x\": 0, \"y\": 0, \"z\": 0}}\n    },\n"
            "    \"SaveLocation_Console\": {\"Command\": \"savehere\"}\n  }\n}\n");
}

TEST_F(SaveLocationTest, NamesThatCannotBeTypedBackAreRefusedWithTheReason) {
  Start(kOperatorLocations);
  Console("Alice", "savehere Caf\u00e9");
  Console("Alice", "savehere two words");
  Console("Alice", "savehere");
  const std::vector<std::string> replies = ChatTo("Alice");
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[0],
            "Caf\u00e9 cannot be a location's name: only ASCII letters, digits and punctuation can be typed back.");
  EXPECT_EQ(replies[1], "Usage: savehere NAME, or savehere NAME replace; a location's name has no spaces.");
  EXPECT_EQ(replies[2], replies[1]);
  EXPECT_EQ(FileText(), kOperatorLocations);
}

TEST_F(SaveLocationTest, AnEditOnDiskSinceTheLoadIsNeverWrittenOver) {
  Start(kOperatorLocations);
  const std::string edited = std::string(kOperatorLocations) + " ";
  WriteConfigText(edited);
  Console("Alice", "savehere Ridge");
  const std::string refusal = "config.json changed since it was loaded; reload it first.";
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{refusal});
  EXPECT_EQ(FileText(), edited);
  // A file that no longer parses is refused as well, and left as it is.
  ClearRecord();
  WriteConfigText("{\"Commands\": ");
  Console("Alice", "savehere Ridge");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{refusal});
  EXPECT_EQ(FileText(), "{\"Commands\": ");
  // After a reload of the edited file the save goes through.
  WriteConfigText(edited);
  Console("Alice", "reload");
  ClearRecord();
  Console("Alice", "savehere Ridge");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Saved Ridge at 0, 0, 0."});
  EXPECT_EQ(json::parse(FileText())["Commands"]["TeleportTo_Console"]["Locations"].size(), 3u);
}

TEST_F(SaveLocationTest, AWriteThatFailsLeavesTheFileAsItWasAndLoadable) {
  Start(kOperatorLocations);
  // The temporary file cannot be made: a folder holds its name.
  std::filesystem::create_directory(ConfigFile().string() + ".tmp");
  Console("Alice", "savehere Ridge");
  const std::vector<std::string> replies = ChatTo("Alice");
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].rfind("config.json was not changed: cannot write ", 0), 0u) << replies[0];
  EXPECT_EQ(FileText(), kOperatorLocations);
  std::filesystem::remove(ConfigFile().string() + ".tmp");
  // Nothing was applied in memory either: the name is unknown, and the file loads.
  ClearRecord();
  Console("Alice", "tp Ridge");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"The template does not exist! Maybe you forgot to reload..?"});
  EXPECT_NO_THROW(json::parse(FileText()));
  // Once the temporary name is free again, the same line saves.
  ClearRecord();
  Console("Alice", "savehere Ridge");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Saved Ridge at 0, 0, 0."});
}

}  // namespace
