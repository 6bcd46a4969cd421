// The health survey end to end: creatures of a world file, players typing the
// chat and console commands, and the lines and notification they get back.
#include <string>
#include <vector>

#include "support/PluginTest.h"

using nlohmann::json;

namespace {

json Creature(const std::string& name_tag, int team, std::vector<double> position, double health, double max_health) {
  return {{"nameTag", name_tag}, {"team", team}, {"position", position}, {"health", health}, {"maxHealth", max_health}};
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

class HealthTest : public PluginTest {
 protected:
  // Alice (team 1001) at the origin, Bob (1001) and Carol (2002) 100 units
  // away, and the given creatures; the plugin loaded with the standard texts.
  void Start(const std::vector<json>& creatures, json players = ThreePlayers()) {
    players["creatures"] = creatures;
    WriteConfig(StandardConfig());
    AddWorld(players);
    LoadPlugin();
    ClearRecord();
  }

  // Runs the chat command and then the console command for `player`, checks
  // that both show the same lines, and returns them.
  std::vector<std::string> Survey(const std::string& player) {
    ClearRecord();
    Chat(player, "/health");
    const std::vector<json> chat = EventsOf("chat");
    std::vector<std::string> lines;
    for (const json& event : chat) {
      EXPECT_EQ(event["to"], player);
      EXPECT_EQ(event["sender"], "[system]");
      lines.push_back(event["text"]);
    }
    ClearRecord();
    Console(player, "health");
    const std::vector<json> notifications = EventsOf("notification");
    EXPECT_EQ(notifications.size(), lines.empty() ? 0u : 1u);
    if (!lines.empty() && notifications.size() == 1) {
      EXPECT_EQ(notifications[0]["to"], player);
      EXPECT_EQ(notifications[0]["text"], Joined(lines));
    }
    EXPECT_TRUE(EventsOf("chat").empty());
    EXPECT_TRUE(EventsOf("handler-error").empty());
    return lines;
  }
};

using Lines = std::vector<std::string>;

TEST_F(HealthTest, TwoRexesGiveTheirPercentagesAndTotals) {
  Start({Creature("Rex", 1001, {100, 0, 0}, 500, 1000), Creature("Rex", 1001, {0, -100, 0}, 1000, 1000)});
  EXPECT_EQ(Survey("Alice"), (Lines{"Rex (2): 50, 100", "Remaining: 75%, Diff: -500"}));
  // A second survey knows nothing of the first.
  EXPECT_EQ(Survey("Alice"), (Lines{"Rex (2): 50, 100", "Remaining: 75%, Diff: -500"}));
}

TEST_F(HealthTest, NotificationIsMagentaForThirtySeconds) {
  Start({Creature("Rex", 1001, {100, 0, 0}, 500, 1000), Creature("Rex", 1001, {0, -100, 0}, 1000, 1000)});
  Console("Alice", "health");
  const std::string text = "Rex (2): 50, 100\nRemaining: 75%, Diff: -500\n";
  ASSERT_EQ(EventsOf("notification").size(), 1u);
  EXPECT_EQ(EventsOf("notification").at(0), json({{"event", "notification"},
                                                  {"to", "Alice"},
                                                  {"text", text},
                                                  {"color", {1, 0, 1, 1}},
                                                  {"scale", 0.8},
                                                  {"seconds", 30}}));
  const auto calls = CallsOf("AShooterPlayerController.ClientServerUlvaneNotificationCustom");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0]["args"], json::array({Player("Alice")->id, text, {1, 0, 1, 1}, 0.8, 30, nullptr, nullptr}));
  EXPECT_TRUE(EventsOf("chat").empty());
}

TEST_F(HealthTest, RoundsHalvesAwayFromZero) {
  Start({Creature("Rex", 1001, {100, 0, 0}, 875, 1000), Creature("Half", 1001, {0, 100, 0}, 125, 1000),
         Creature("Half", 1001, {0, 200, 0}, 999.5, 1000)});
  EXPECT_EQ(Survey("Alice"),
            (Lines{"Half (2): 13, 100", "Remaining: 56%, Diff: -876", "Rex (1): 88", "Remaining: 88%, Diff: -125"}));
}

TEST_F(HealthTest, NumbersUseSixSignificantDigitsAndKeepTheSignOfZero) {
  Start({Creature("Full", 1001, {100, 0, 0}, 1000, 1000), Creature("Full", 1001, {200, 0, 0}, 250, 250),
         Creature("Titan", 1001, {300, 0, 0}, 765433, 2000000)});
  EXPECT_EQ(Survey("Alice"), (Lines{"Full (2): 100, 100", "Remaining: 100%, Diff: -0", "Titan (1): 38",
                                    "Remaining: 38%, Diff: -1.23457e+06"}));
}

TEST_F(HealthTest, CountsOnlyWithinFiveThousandUnitsHorizontally) {
  Start({Creature("Edge", 1001, {5000, 0, 0}, 500, 1000), Creature("Edge", 1001, {3000, -4000, 0}, 500, 1000),
         Creature("Near", 1001, {4999, 0, 3000}, 500, 1000), Creature("Near", 1001, {0, -4999, -3000}, 250, 1000)});
  EXPECT_EQ(Survey("Alice"), (Lines{"Near (2): 25, 50", "Remaining: 38%, Diff: -1250"}));
  // Bob stands 100 units east: distances are measured from the caller.
  EXPECT_EQ(Survey("Bob"),
            (Lines{"Edge (2): 50, 50", "Remaining: 50%, Diff: -1000", "Near (1): 50", "Remaining: 50%, Diff: -500"}));
}

TEST_F(HealthTest, CountsOnlyTheCallersTeam) {
  Start({Creature("Rex", 2002, {10, 10, 0}, 100, 1000), Creature("Rex", 1001, {0, 20000, 0}, 200, 1000),
         Creature("Rex", 1001, {150, 0, 0}, 300, 1000), Creature("Rex", 7, {20, 0, 0}, 400, 1000)});
  EXPECT_EQ(Survey("Alice"), (Lines{"Rex (1): 30", "Remaining: 30%, Diff: -700"}));
  EXPECT_EQ(Survey("Bob"), (Lines{"Rex (1): 30", "Remaining: 30%, Diff: -700"}));
  EXPECT_EQ(Survey("Carol"), (Lines{"Rex (1): 10", "Remaining: 10%, Diff: -900"}));
}

TEST_F(HealthTest, GroupsInByteOrderWithPercentagesAscending) {
  Start({Creature("rex", 1001, {100, 0, 0}, 900, 1000), Creature("Rex", 1001, {100, 0, 0}, 900, 1000),
         Creature("Rex", 1001, {100, 0, 0}, 200, 1000), Creature("Raptor", 1001, {100, 0, 0}, 100, 200),
         Creature("Rex", 1001, {100, 0, 0}, 550, 1000), Creature("", 1001, {100, 0, 0}, 50, 100),
         Creature("Rex ", 1001, {100, 0, 0}, 1000, 1000)});
  EXPECT_EQ(Survey("Alice"),
            (Lines{" (1): 50", "Remaining: 50%, Diff: -50", "Raptor (1): 50", "Remaining: 50%, Diff: -100",
                   "Rex (3): 20, 55, 90", "Remaining: 55%, Diff: -1350", "Rex  (1): 100", "Remaining: 100%, Diff: -0",
                   "rex (1): 90", "Remaining: 90%, Diff: -100"}));
}

TEST_F(HealthTest, ZeroMaximaLeaveTheTotalsLineEmpty) {
  Start({Creature("Ghost", 1001, {100, 0, 0}, 0, 0), Creature("Mixed", 1001, {100, 0, 0}, 0, 0),
         Creature("Mixed", 1001, {100, 0, 0}, 500, 1000)});
  const Lines lines = Survey("Alice");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].rfind("Ghost (1): ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "");
  // A ratio that is not a number sorts after every number.
  EXPECT_EQ(lines[2].rfind("Mixed (2): 50, ", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3], "Remaining: 50%, Diff: -500");
}

TEST_F(HealthTest, NothingForAPlayerWithoutACharacter) {
  json players = ThreePlayers();
  players["players"].push_back(
      {{"name", "Dave"}, {"steamId", 76561198000000004ULL}, {"team", 1001}, {"character", false}});
  Start({Creature("Rex", 1001, {100, 0, 0}, 500, 1000)}, players);
  EXPECT_EQ(Survey("Dave"), Lines{});
  EXPECT_TRUE(CallsOf("UGameplayStatics.GetAllActorsOfClass").empty());
  EXPECT_TRUE(CallsOf("AShooterPlayerController.ClientChatMessage").empty());
}

TEST_F(HealthTest, NothingWhenNoCreatureQualifies) {
  Start({Creature("Rex", 2002, {100, 0, 0}, 500, 1000), Creature("Rex", 1001, {9000, 0, 0}, 500, 1000)});
  EXPECT_EQ(Survey("Alice"), Lines{});
  EXPECT_EQ(CallsOf("UGameplayStatics.GetAllActorsOfClass").size(), 1u);
}

TEST_F(HealthTest, CharactersWithoutANarrowFormShowAsQuestionMarks) {
#if defined(_WIN32)
  GTEST_SKIP() << "Windows' C locale has a narrow form for every character below U+0100 (see TextTest)";
#endif
  Start({Creature("Rex\xc3\xa9", 1001, {100, 0, 0}, 500, 1000), Creature("R\xc3\xa9", 1001, {100, 0, 0}, 100, 1000),
         Creature("R\xc3\xa8", 1001, {100, 0, 0}, 300, 1000),
         Creature("Rex\xf0\x9f\xa6\x96", 1001, {100, 0, 0}, 1000, 1000)});
  EXPECT_EQ(Survey("Alice"), (Lines{"R? (2): 10, 30", "Remaining: 20%, Diff: -1600", "Rex? (1): 50",
                                    "Remaining: 50%, Diff: -500", "Rex?? (1): 100", "Remaining: 100%, Diff: -0"}));
}

TEST_F(HealthTest, BracesInNameTagsShowAsWritten) {
  Start({Creature("{Rex}", 1001, {100, 0, 0}, 500, 1000), Creature("{}", 1001, {100, 0, 0}, 250, 1000),
         Creature("{", 1001, {100, 0, 0}, 100, 1000), Creature("}}", 1001, {100, 0, 0}, 1000, 1000),
         Creature("{0}", 1001, {100, 0, 0}, 1000, 1000)});
  EXPECT_EQ(Survey("Alice"),
            (Lines{"{ (1): 10", "Remaining: 10%, Diff: -900", "{0} (1): 100", "Remaining: 100%, Diff: -0",
                   "{Rex} (1): 50", "Remaining: 50%, Diff: -500", "{} (1): 25", "Remaining: 25%, Diff: -750",
                   "}} (1): 100", "Remaining: 100%, Diff: -0"}));
}

TEST_F(HealthTest, SkipsCreaturesMissingAComponentButLocatesEveryOther) {
  json no_status = Creature("Rex", 1001, {100, 0, 0}, 100, 1000);
  no_status["statusComponent"] = false;
  json no_root = Creature("Rex", 1001, {100, 0, 0}, 200, 1000);
  no_root["rootComponent"] = false;
  Start({no_status, no_root, Creature("Rex", 1001, {100, 0, 0}, 500, 1000),
         Creature("Rex", 2002, {100, 0, 0}, 500, 1000), Creature("Rex", 1001, {8000, 0, 0}, 500, 1000)});
  EXPECT_EQ(Survey("Alice"), (Lines{"Rex (1): 50", "Remaining: 50%, Diff: -500"}));
  // Every creature with a root component is located before any test, whatever its team or distance.
  EXPECT_EQ(CallsOf("USceneComponent.GetCustomLocation").size(), 4u);
  const auto actors = CallsOf("UGameplayStatics.GetAllActorsOfClass");
  ASSERT_EQ(actors.size(), 1u);
  EXPECT_EQ(actors[0]["args"][2], 5);
}

TEST_F(HealthTest, RegistersTheConfiguredTextsAndChangesNothing) {
  WriteConfig(StandardConfig());
  json world = ThreePlayers();
  world["creatures"] = json::array({Creature("Rex", 1001, {100, 0, 0}, 500, 1000)});
  AddWorld(world);
  LoadPlugin();
  std::vector<std::string> registered;
  for (const json& event : EventsOf("register"))
    registered.push_back(event["kind"].get<std::string>() + " " + event["text"].get<std::string>());
  ASSERT_GE(registered.size(), 3u);
  EXPECT_EQ(registered[0], "chat /health");
  EXPECT_EQ(registered[1], "console reload");
  EXPECT_EQ(registered[2], "console health");
  const json before = Dump();
  EXPECT_EQ(Survey("Alice"), (Lines{"Rex (1): 50", "Remaining: 50%, Diff: -500"}));
  EXPECT_EQ(Dump(), before);
}

}  // namespace
