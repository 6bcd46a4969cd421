// The group command end to end: a group's members listed, one added or
// removed in config.json with every other byte kept and applied at once, and
// only by a member of a group that inherits it.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/PluginTest.h"

using nlohmann::json;

namespace {

using Replies = std::vector<std::string>;

// As an operator writes it: comments-free but spaced by hand. Alice is an
// admin, Bob a moderator; the kit "medic" is for moderators.
constexpr const char* kOperatorFile = R"({
  "Commands": {
    "Group_Console": {"Command": "group"},
    "ItemTemplate_Console": {"Command": "kit",
      "Templates": {"medic": {"items": [{"blueprint": "/Game/Items/Bandage.Bandage"}], "Whitelist": ["moderators"]}}}
  },
  "Features": {
    "Permissions": {
      "Enabled": true,
      "Groups": {
        "moderators":   {"Members": [ 76561198000000002 ]},
        "admins": {"Members": [76561198000000001], "Inherits": ["moderators"]},
        "owners": {"Inherits": ["admins"]}
      }
    }
  }
}
)";

class GroupTest : public PluginTest {
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
    json world = ThreePlayers();
    world["assets"] = {{"items", {"/Game/Items/Bandage.Bandage_C"}}};
    AddWorld(world);
    LoadPlugin();
  }

  Replies RepliesTo(const std::string& player, const std::string& line) {
    ClearRecord();
    Console(player, line);
    return ChatTo(player);
  }

  static std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  }
};

TEST_F(GroupTest, AnAdminAddsAndRemovesAModeratorAppliedAtOnceAndTheFileKeptButItsOneValue) {
  Start(kOperatorFile);
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{"You are not allowed to use medic."});
  EXPECT_EQ(RepliesTo("Alice", "group carol add moderators"), Replies{"Carol is added to moderators."});
  EXPECT_EQ(FileText(), Replaced(kOperatorFile, "[ 76561198000000002 ]", "[76561198000000002, 76561198000000003]"));
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{});
  // Listed by name where online, members through inheritance too.
  EXPECT_EQ(RepliesTo("Alice", "group moderators"), Replies{"moderators: Alice, Bob, Carol."});
  EXPECT_EQ(RepliesTo("Alice", "group Carol add moderators"), Replies{"Carol is in moderators already."});
  EXPECT_EQ(RepliesTo("Alice", "group Bob remove moderators"), Replies{"Bob is removed from moderators."});
  EXPECT_EQ(FileText(), Replaced(kOperatorFile, "[ 76561198000000002 ]", "[76561198000000003]"));
  EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{"You are not allowed to use medic."});
  EXPECT_EQ(RepliesTo("Alice", "group Bob remove moderators"), Replies{"Bob is not a member of moderators."});
  // Any Steam id, online or not.
  EXPECT_EQ(RepliesTo("Alice", "group 76561198000000099 add moderators"),
            Replies{"76561198000000099 is added to moderators."});
  EXPECT_EQ(RepliesTo("Alice", "group moderators"), Replies{"moderators: Alice, Carol, 76561198000000099."});
  // A group without members says so.
  EXPECT_EQ(RepliesTo("Alice", "group owners"), Replies{"owners: no members."});
}

TEST_F(GroupTest, AModeratorAddsNeitherAdminsNorModeratorsAndNobodyChangesAGroupNoneInherits) {
  Start(kOperatorFile);
  EXPECT_EQ(RepliesTo("Bob", "group Carol add admins"),
            Replies{"You may not change admins: only a member of a group that inherits it may."});
  EXPECT_EQ(RepliesTo("Bob", "group Carol add moderators"),
            Replies{"You may not change moderators: only a member of a group that inherits it may."});
  EXPECT_EQ(RepliesTo("Alice", "group Carol add owners"),
            Replies{"You may not change owners: only a member of a group that inherits it may."});
  EXPECT_EQ(FileText(), kOperatorFile);
  EXPECT_EQ(RepliesTo("Alice", "group Carol add donors"), Replies{"No group is named donors."});
  EXPECT_EQ(RepliesTo("Alice", "group Carol join moderators"),
            Replies{"Usage: group GROUP, group PLAYER add GROUP or group PLAYER remove GROUP."});
}

TEST_F(GroupTest, AFileChangedSinceItWasLoadedIsNeverWrittenOver) {
  Start(kOperatorFile);
  const std::string edited = Replaced(kOperatorFile, "\"Enabled\": true", "\"Enabled\": true ");
  WriteConfigText(edited);
  EXPECT_EQ(RepliesTo("Alice", "group Carol add moderators"),
            Replies{"config.json changed since it was loaded; reload it first."});
  EXPECT_EQ(FileText(), edited);
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{"You are not allowed to use medic."});
}

}  // namespace
