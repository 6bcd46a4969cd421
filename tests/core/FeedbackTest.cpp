// The Feedback feature end to end: after the replies the commands already give,
// one that says what was given, spawned or moved, which paths loaded nothing,
// and which names exist when the one typed is missing or unknown.
#include <string>
#include <vector>

#include "core/FeatureTest.h"

using nlohmann::json;

namespace {

class FeedbackTest : public FeatureTest {
 protected:
  // The replies to Alice's console `line`.
  std::vector<std::string> RepliesTo(const std::string& line) {
    ClearRecord();
    Console("Alice", line);
    for (const json& chat : EventsOf("chat")) EXPECT_EQ(chat["sender"], "[system]");
    return ChatTo("Alice");
  }
  using Replies = std::vector<std::string>;
};

TEST_F(FeedbackTest, SuccessSaysWhatWasGivenSpawnedOrMovedAndWhatLoadedNothing) {
  Start(FeatureConfig({"Feedback"}));
  // The commands that answer already get nothing more: two Rex, two lines.
  EXPECT_TRUE(RepliesTo("health").empty());
  ClearRecord();
  Chat("Alice", "/health");
  EXPECT_EQ(ChatTo("Alice"), (Replies{"Rex (2): 100, 100", "Remaining: 100%, Diff: -0"}));
  EXPECT_EQ(RepliesTo("reload"), Replies{"Test config reloaded!"});

  EXPECT_EQ(RepliesTo("kit builder"), Replies{"Gave 8 items."});
  EXPECT_EQ(PlayerDump("Alice")["inventory"].size(), 8u);
  EXPECT_EQ(RepliesTo("kit medic"), Replies{"Gave 1 item."});
  EXPECT_EQ(RepliesTo("kit hunter"), Replies{"Gave 3 of 4 items; nothing loads from /Game/Items/X.X_C."});
  EXPECT_EQ(RepliesTo("spawn raptors"), Replies{"Spawned 4 creatures."});
  EXPECT_EQ(RepliesTo("spawn dodos"), Replies{"Spawned 2 creatures; nothing loads from /Game/Items/Y.Y_C."});
  EXPECT_EQ(RepliesTo("spawn ghosts"),
            Replies{"Spawned 0 of 2 creatures; nothing loads from Blueprint'/Game/Creatures/Ghost.Ghost'."});
  EXPECT_EQ(RepliesTo("tp Camp"), Replies{"Teleported to Camp."});
  EXPECT_EQ(PlayerDump("Alice")["position"], json({1500.0, -200.0, 30.0}));
}

TEST_F(FeedbackTest, AMissingOrUnknownNameGetsTheNamesThatExistNearestFirst) {
  Start(FeatureConfig({"Feedback"}));
  EXPECT_EQ(RepliesTo("kit"), Replies{"Kits: builder, hunter, medic"});
  EXPECT_EQ(RepliesTo("kit biulder"),
            (Replies{kMissingEntryReply, "Did you mean builder?", "Kits: builder, hunter, medic"}));
  EXPECT_EQ(RepliesTo("kit MEDIC"),
            (Replies{kMissingEntryReply, "Did you mean medic?", "Kits: builder, hunter, medic"}));
  EXPECT_EQ(RepliesTo("spawn"), Replies{"Groups: dodos, ghosts, raptors"});
  EXPECT_EQ(RepliesTo("spawn dodo"),
            (Replies{kMissingEntryReply, "Did you mean dodos?", "Groups: dodos, ghosts, raptors"}));
  EXPECT_EQ(RepliesTo("tp"), Replies{"Locations: Camp, Lake"});
  EXPECT_EQ(RepliesTo("tp lake"), (Replies{kMissingEntryReply, "Did you mean Lake?", "Locations: Camp, Lake"}));
  // Equally near names: the first in byte order.
  EXPECT_EQ(RepliesTo("tp Xame"), (Replies{kMissingEntryReply, "Did you mean Camp?", "Locations: Camp, Lake"}));
  // A name far from every one gets the list alone: more than two edits, and
  // more than a third of the name it would suggest.
  EXPECT_EQ(RepliesTo("tp Xa"), (Replies{kMissingEntryReply, "Locations: Camp, Lake"}));
  EXPECT_EQ(RepliesTo("kit " + std::string(10000, 'A')), (Replies{kMissingEntryReply, "Kits: builder, hunter, medic"}));
  EXPECT_EQ(PlayerDump("Alice")["position"], json({0.0, 0.0, 0.0}));
}

TEST_F(FeedbackTest, ListsStayShortAndNamesReachTheReaderAsWritten) {
  json config = FeatureConfig({"Feedback"});
  json kits = json::object();
  json items = json::array();
  for (int i = 0; i < 12; ++i) {
    const std::string number = std::to_string(100 + i).substr(1);
    kits["kit" + number] = {{"items", json::array()}};
    items.push_back({{"blueprint", "/Game/Gone/G" + number + ".G" + number}});
  }
  kits["{many}"] = {{"items", items}};
  config["Commands"]["ItemTemplate_Console"]["Templates"] = kits;
  config["Commands"]["SpawnTemplate_Console"]["Templates"] = json::object();
  config["Commands"]["TeleportTo_Console"]["Locations"] = {{"{Camp}", {{"x", 1}}}};
  Start(config);
  EXPECT_EQ(RepliesTo("kit {many}"),
            Replies{"Gave 0 of 12 items; nothing loads from /Game/Gone/G00.G00_C, /Game/Gone/G01.G01_C, "
                    "/Game/Gone/G02.G02_C, /Game/Gone/G03.G03_C, /Game/Gone/G04.G04_C, /Game/Gone/G05.G05_C, "
                    "/Game/Gone/G06.G06_C, /Game/Gone/G07.G07_C, /Game/Gone/G08.G08_C, /Game/Gone/G09.G09_C "
                    "and 2 more."});
  EXPECT_EQ(RepliesTo("kit"), Replies{"Kits: kit00, kit01, kit02, kit03, kit04, kit05, kit06, kit07, kit08, kit09 "
                                      "and 3 more"});
  EXPECT_EQ(RepliesTo("kit kit00"), Replies{"Gave 0 items."});
  EXPECT_EQ(RepliesTo("spawn"), Replies{"Groups: none"});
  EXPECT_EQ(RepliesTo("spawn any"), (Replies{kMissingEntryReply, "Groups: none"}));
  EXPECT_EQ(RepliesTo("tp {Camp}"), Replies{"Teleported to {Camp}."});
  EXPECT_EQ(RepliesTo("tp {Camp"), (Replies{kMissingEntryReply, "Did you mean {Camp}?", "Locations: {Camp}"}));
}

TEST_F(FeedbackTest, NamesFromTheConfigReachThePlayerInEveryCharacter) {
  json config = FeatureConfig({"Feedback"});
  config["Commands"]["TeleportTo_Console"]["Locations"]["Höhle"] = {{"x", 5}};
  config["Commands"]["ItemTemplate_Console"]["Templates"]["stärter"] = {{"items", json::array()}};
  Start(config);
  // What a player types is narrowed as the game narrows it: "ö" has no narrow form.
  EXPECT_EQ(RepliesTo("tp Höhle"),
            (Replies{kMissingEntryReply, "Did you mean Höhle?", "Locations: Camp, Höhle, Lake"}));
  EXPECT_EQ(RepliesTo("kit stärter"),
            (Replies{kMissingEntryReply, "Did you mean stärter?", "Kits: builder, hunter, medic, stärter"}));
}

TEST_F(FeedbackTest, AFailedReadSaysWhereAndWhyARefusalNoMore) {
  json config = FeatureConfig({"Feedback", "Permissions"});
  auto& kits = config["Commands"]["ItemTemplate_Console"]["Templates"];
  kits["broken"] = {{"count", "two"}};
  kits["deep"] = {{"items", {{{"blueprint", "/Game/A.A"}}, {{"blueprint", "/Game/B.B"}, {"quantity", "5"}}}}};
  kits["notAKit"] = 7;
  config["Commands"]["TeleportTo_Console"]["Locations"]["Broken"] = {{"x", "100"}};
  config["Commands"]["SpawnTemplate_Console"]["Permissions"] = true;
  Start(config);
  EXPECT_EQ(RepliesTo("kit broken"),
            (Replies{"Failed to read template...", "/count: must be a number, not a text in quotes"}));
  EXPECT_EQ(RepliesTo("kit deep"),
            (Replies{"Failed to read template...", "/items/1/quantity: must be a number, not a text in quotes"}));
  EXPECT_EQ(RepliesTo("kit notAKit"), (Replies{"Failed to read template...",
                                               "the template must be an object in { } with \"items\", not a number"}));
  EXPECT_EQ(RepliesTo("tp Broken"),
            (Replies{"Failed to read template...", "/x: must be a number, not a text in quotes"}));
  EXPECT_EQ(RepliesTo("spawn raptors"), Replies{"You are not allowed to use this command."});
  EXPECT_EQ(RepliesTo("spawn"), Replies{"You are not allowed to use this command."});
}

TEST_F(FeedbackTest, OffOrSwitchedOnOnlyInTheFileItAddsNoReply) {
  json config = FeatureConfig({"AuditLog"});
  config["Features"]["Feedback"] = {{"Enabled", false}};
  Start(config);
  config["Features"]["Feedback"]["Enabled"] = true;
  WriteConfig(config);
  EXPECT_EQ(RepliesTo("reload"),
            (Replies{"Test config reloaded!",
                     "Not applied until the plugin is loaded again: Features \"Feedback\" \"Enabled\"."}));
  for (const char* line : {"kit builder", "kit hunter", "spawn dodos", "tp Camp", "kit", "tp"})
    EXPECT_TRUE(RepliesTo(line).empty()) << line;
  EXPECT_EQ(RepliesTo("kit biulder"), Replies{kMissingEntryReply});
}

}  // namespace

TEST_F(FeedbackTest, AFailedReloadSaysWhyWhereAndThatThePreviousConfigurationStays) {
  const json config = FeatureConfig({"Feedback"});
  Start(config);
  json faulty = config;
  faulty["Commands"]["Health_Chat"]["Enabled"] = "yes";
  WriteConfig(faulty);
  ExpectHostLog("error", "The command ReloadConfig_Console failed");
  EXPECT_EQ(RepliesTo("reload"), Replies{"Reload failed: /Commands/Health_Chat/Enabled: must be true or false, not a "
                                         "text in quotes. The previous configuration stays."});
  WriteConfigText("{\"Commands\": ");
  EXPECT_EQ(RepliesTo("reload"),
            Replies{"Reload failed: line 1, column 14: found the end of the text where a value should be. The "
                    "previous configuration stays."});
  EXPECT_EQ(CommandFailures().size(), 1u);
  // Everything as loaded: the kits still give.
  EXPECT_EQ(RepliesTo("kit medic"), Replies{"Gave 1 item."});
}

TEST_F(FeedbackTest, AReplyTheGameHasNoMemoryForIsLoggedAndTheServerGoesOn) {
  json config = FeatureConfig({"Feedback"});
  config["Commands"]["TeleportTo_Console"]["Locations"]["TheCampByTheLongRiver"] = {{"x", 7}};
  Start(config);
  // 70 bytes hold the line's words (an array of four texts takes 64), not the
  // feedback line "Teleported to TheCampByTheLongRiver." (76).
  AddWorld({{"allocationLimit", 70}});
  ExpectHostLog("error", "The command TeleportTo_Console failed: std::bad_alloc");
  EXPECT_TRUE(RepliesTo("tp TheCampByTheLongRiver").empty());
  EXPECT_EQ(PlayerDump("Alice")["position"], json({7.0, 0.0, 0.0}));
  EXPECT_EQ(CommandFailures(), std::vector<std::string>{"std::bad_alloc"});
}
