// The configuration checker: the exact line each check prints, the program's
// options, formats and exit status, and the example configuration checking clean.
#include "support/Process.h"
#include "tools/check/Check.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (const check::Diagnostic& diagnostic : check::CheckConfigText("config.json", text))
    lines.push_back(check::FormatText(diagnostic));
  return lines;
}

TEST(CheckTest, TheFileMustParseAsOneValueNoDeeperThanTheLimit) {
  EXPECT_EQ(Lines(R"({
  "Commands": {
    "Health_Chat": {"Command": "/health",}
  }
}
)"),
            (std::vector<std::string>{
                "config.json:3:42: error: found '}' where a key in double quotes should be; load and reload refuse "
                "the whole file",
                "config.json:3:41: note: likely cause: a \",\" after the last member or element; JSON allows none: "
                "remove it",
            }));
  const std::string deep = "{\"Commands\": " + std::string(300, '[') + std::string(300, ']') + "}\n";
  EXPECT_EQ(Lines(deep), (std::vector<std::string>{
                             "config.json:1:1: error: config.json nests arrays and objects deeper than 256 levels; "
                             "load and reload refuse the whole file",
                         }));
}

TEST(CheckTest, EveryEntryThatLoadRefusesIsNamedDownToTheMember) {
  EXPECT_EQ(
      Lines(R"({
  "Commands": {
    "Health_Chat": {"Command": "/health", "Enabled": "true"},
    "Health_Console": {"Whitelist": [76561198000000001, "76561198000000002"], "Permissions": 1}
  },
  "Features": {"AuditLog": {"Enabled": 1, "Days": 0}}
}
)"),
      (std::vector<std::string>{
          "config.json:3:54: error: /Commands/Health_Chat/Enabled: must be true or false, not a text in quotes; "
          "load and reload refuse the whole file",
          "config.json:4:57: error: /Commands/Health_Console/Whitelist/1: must be a number, not a text in quotes; "
          "load and reload refuse the whole file",
          "config.json:4:94: error: /Commands/Health_Console/Permissions: must be true or false, not a number; "
          "load and reload refuse the whole file",
          "config.json:6:40: error: /Features/AuditLog/Enabled: must be true or false, not a number; load and "
          "reload refuse the whole file",
          "config.json:6:51: error: /Features/AuditLog/Days: must be a whole number of 1 or more; load and "
          "reload refuse the whole file",
      }));
  EXPECT_EQ(Lines(R"([{"Commands": {}}]
)"),
            (std::vector<std::string>{
                "config.json:1:1: error: the file must be an object in { } with \"Commands\", not a list in [ ]; load "
                "and reload refuse the whole file",
            }));
  EXPECT_EQ(Lines(R"({"Commands": [{"Command": "/health"}]}
)"),
            (std::vector<std::string>{
                "config.json:1:14: error: /Commands: must be an object in { }, not a list in [ ]; load and reload "
                "refuse the whole file",
            }));
}

TEST(CheckTest, EveryTemplateAndLocationThatFailsToReadIsNamedWithItsReason) {
  EXPECT_EQ(
      Lines(R"({
  "Commands": {
    "ItemTemplate_Console": {"Command": "givekit", "Templates": {
      "a": {"count": "3"},
      "b": {"items": [{"blueprint": "/Game/A.A"}, {"blueprints": ["/Game/B.B", 7]}]},
      "c": {"count": 20, "items": [{"count": 600}]},
      "d": ["/Game/A.A"]
    }},
    "SpawnTemplate_Console": {"Command": "spawngroup", "Templates": {
      "r": {"saddleBlueprint": "/Game/S.S"},
      "s": {"blueprint": "/Game/R.R", "radius": "500"},
      "t": {"blueprint": "/Game/R.R", "items": ["/Game/I.I"]}
    }},
    "TeleportTo_Console": {"Command": "tpto", "Locations": {"Camp": {"x": 1, "y": "2"}, "Sea": {"z": true}}}
  }
}
)"),
      (std::vector<std::string>{
          "config.json:4:22: error: /Commands/ItemTemplate_Console/Templates/a/count: must be a number, not a "
          "text in quotes; \"givekit a\" answers \"Failed to read template...\"",
          "config.json:5:80: error: /Commands/ItemTemplate_Console/Templates/b/items/1/blueprints/1: must be a "
          "text in quotes, not a number; \"givekit b\" answers \"Failed to read template...\"",
          "config.json:6:12: error: /Commands/ItemTemplate_Console/Templates/c: kit \"c\" asks for 12000 items in "
          "all (\"count\" x the items' \"count\" x their paths, summed); the most is 10000: lower \"count\" or "
          "the items' \"count\"; \"givekit c\" answers \"Failed to read template...\"",
          "config.json:7:12: error: /Commands/ItemTemplate_Console/Templates/d: kit \"d\" must be an object in { } "
          "with \"items\", not a list in [ ]; \"givekit d\" answers \"Failed to read template...\"",
          "config.json:10:12: error: /Commands/SpawnTemplate_Console/Templates/r/blueprint: is missing (the path "
          "of the creature to spawn); \"spawngroup r\" answers \"Failed to read template...\"",
          "config.json:11:49: error: /Commands/SpawnTemplate_Console/Templates/s/radius: must be a number, not a "
          "text in quotes; \"spawngroup s\" answers \"Failed to read template...\"",
          "config.json:12:49: error: /Commands/SpawnTemplate_Console/Templates/t/items/0: must be an object in "
          "{ } with a \"blueprint\", not a text in quotes; \"spawngroup t\" answers \"Failed to read "
          "template...\"",
          "config.json:14:83: error: /Commands/TeleportTo_Console/Locations/Camp/y: must be a number, not a text "
          "in quotes; \"tpto Camp\" answers \"Failed to read template...\"",
          "config.json:14:102: error: /Commands/TeleportTo_Console/Locations/Sea/z: must be a number, not true or "
          "false; \"tpto Sea\" answers \"Failed to read template...\"",
      }));
}

TEST(CheckTest, UnknownAndDuplicateKeysAreNamedWithTheNearestKnownKey) {
  EXPECT_EQ(Lines(R"({
  "Comands": {},
  "Commands": {
    "Teleport_Console": {"Command": "tp"},
    "TeleportTo_Console": {"Command": "tpto", "command": "tp", "Locations": {"Camp": {"X": 1, "y": 2, "y": 3}}},
    "ItemTemplate_Console": {"Command": "givekit", "Template": {}},
    "SpawnTemplate_Console": {"Command": "spawngroup", "Templates": {"r": {"blueprint": "/Game/R.R", "zzzz": 1}}}
  },
  "Features": {"Permission": {"Enabled": true}}
}
)"),
            (std::vector<std::string>{
                "config.json:2:3: warning: /Comands: unknown key \"Comands\" is ignored; did you mean \"Commands\"?",
                "config.json:4:5: warning: /Commands/Teleport_Console: unknown command key \"Teleport_Console\": no "
                "command reads this entry; did you mean \"TeleportTo_Console\"?",
                "config.json:5:47: warning: /Commands/TeleportTo_Console/command: unknown key \"command\" is ignored; "
                "did you mean \"Command\"?",
                "config.json:5:87: warning: /Commands/TeleportTo_Console/Locations/Camp/X: unknown key \"X\" is "
                "ignored; did you mean \"x\"?",
                "config.json:5:100: warning: /Commands/TeleportTo_Console/Locations/Camp/y: duplicate key \"y\": this "
                "value is ignored, the one at line 5, column 108 is read",
                "config.json:6:52: warning: /Commands/ItemTemplate_Console/Template: unknown key \"Template\" is "
                "ignored; did you mean \"Templates\"?",
                "config.json:7:102: warning: /Commands/SpawnTemplate_Console/Templates/r/zzzz: unknown key \"zzzz\" is "
                "ignored",
                "config.json:9:16: warning: /Features/Permission: unknown key \"Permission\" is ignored; did you mean "
                "\"Permissions\"?",
            }));
}

TEST(CheckTest, AKeyAFeatureDoesNotReadIsNamedWithTheKeyItReads) {
  // The feature stays off: "enabled" is not "Enabled".
  EXPECT_EQ(Lines(R"({
  "Features": {"AuditLog": {"enabled": true}, "Feedback": {"Enabled": true, "Verbose": true}},
  "Commands": {"Health_Chat": {"Command": "/health"}}
}
)"),
            (std::vector<std::string>{
                "config.json:2:29: warning: /Features/AuditLog/enabled: unknown key \"enabled\" is ignored; did you "
                "mean \"Enabled\"?",
                "config.json:2:77: warning: /Features/Feedback/Verbose: unknown key \"Verbose\" is ignored",
            }));
}

TEST(CheckTest, CommandsThatAreNotRegisteredOrCannotBeReachedAreNamed) {
  EXPECT_EQ(
      Lines(R"({
  "Commands": {
    "Health_Chat": {"Command": "/health", "Enabled": false},
    "ReloadConfig_Console": {"Enabled": true},
    "Health_Console": {"Command": ""},
    "ItemTemplate_Console": {"Command": "give kit", "Permissions": true},
    "SpawnTemplate_Console": {"Command": "spawngrüppe"},
    "TeleportTo_Console": {"Command": "give\tkit"}
  }
}
)"),
      (std::vector<std::string>{
          "config.json:3:54: warning: /Commands/Health_Chat/Enabled: the command is disabled and is not registered",
          "config.json:4:29: warning: /Commands/ReloadConfig_Console: the command has no \"Command\" text and is not "
          "registered",
          "config.json:5:35: warning: /Commands/Health_Console/Command: the command has no \"Command\" text and is not "
          "registered",
          "config.json:6:41: warning: /Commands/ItemTemplate_Console/Command: the command text \"give kit\" holds a "
          "space: it is registered but no line can reach it",
          "config.json:6:68: warning: /Commands/ItemTemplate_Console/Permissions: \"Permissions\" is on but the "
          "feature \"Permissions\" is not enabled: no permission is checked; set \"Features\": {\"Permissions\": "
          "{\"Enabled\": true}}",
          "config.json:7:42: warning: /Commands/SpawnTemplate_Console/Command: the command text \"spawngrüppe\" holds "
          "a character outside printable ASCII: it is registered but no line can reach it",
          "config.json:8:39: warning: /Commands/TeleportTo_Console/Command: the command text \"give\\tkit\" holds a "
          "character outside printable ASCII: it is registered but no line can reach it",
      }));
  EXPECT_EQ(Lines(R"({
  "Commands": {
    "Health_Chat": {"Command": "health"},
    "Health_Console": {"Command": "health"},
    "ItemTemplate_Console": {"Command": "kit"},
    "TeleportTo_Console": {"Command": "kit", "Permissions": true}
  },
  "Features": {"Permissions": {"Enabled": true}}
}
)"),
            (std::vector<std::string>{
                "config.json:6:39: warning: /Commands/TeleportTo_Console/Command: the command text \"kit\" is also the "
                "text of \"ItemTemplate_Console\": only one of them is reached",
                "config.json:6:61: warning: /Commands/TeleportTo_Console/Permissions: \"Permissions\" is on and the "
                "whitelist is empty: nobody may use the command; add the Steam ids that may use it under "
                "\"Whitelist\"",
            }));
}

TEST(CheckTest, ConfigsThatCannotWorkAsMeantAreNamed) {
  // Texts that differ in letter case alone, names no line can type, and
  // whitelists that admit nobody or another id than written.
  EXPECT_EQ(
      Lines(R"({
  "Commands": {
    "ItemTemplate_Console": {"Command": "Kit"},
    "TeleportTo_Console": {"Command": "tp", "Locations": {"Starter Camp": {}, "H\u00f6hle": {}, "ok": {}}},
    "Health_Console": {"Command": "kit", "Permissions": true, "Whitelist": []},
    "SpawnTemplate_Console": {"Command": "spawn", "Permissions": true, "Whitelist": [76561198000000001.7, 12]}
  },
  "Features": {"Permissions": {"Enabled": true}}
}
)"),
      (std::vector<std::string>{
          "config.json:3:41: warning: /Commands/ItemTemplate_Console/Command: the command text \"Kit\" differs from "
          "\"kit\" of \"Health_Console\" only in letter case: commands are matched without regard to case, so only "
          "one of them is reached",
          "config.json:4:59: warning: /Commands/TeleportTo_Console/Locations/Starter Camp: the name \"Starter Camp\" "
          "holds a space: no line can name it",
          "config.json:4:79: warning: /Commands/TeleportTo_Console/Locations/H\u00f6hle: the name \"H\u00f6hle\" holds "
          "a character outside printable ASCII: no line can name it",
          "config.json:5:76: warning: /Commands/Health_Console/Whitelist: \"Permissions\" is on and the whitelist is "
          "empty: nobody may use the command; add the Steam ids that may use it under \"Whitelist\"",
          "config.json:6:86: warning: /Commands/SpawnTemplate_Console/Whitelist/0: the Steam id is not written as a "
          "whole number: it is read as 76561198000000000; write the id as a whole number, without a point or "
          "exponent",
      }));
}

TEST(CheckTest, ValuesThatGiveNothingOrWrapAreNamedAsWritten) {
  EXPECT_EQ(
      Lines(R"({
  "Commands": {
    "ItemTemplate_Console": {"Command": "kit", "Templates": {
      "a": {"count": 4294967297, "items": [{"blueprint": "/Game/Items/Wood Wall.WoodWall", "quantity": 4294967295}]},
      "e": {}, "f": {"items": []}}},
    "TeleportTo_Console": {"Command": "tp", "Locations": {"far": {"x": 3e38, "y": -2097153}, "edge": {"z": 2097152}}}
  }
}
)"),
      (std::vector<std::string>{
          "config.json:4:22: warning: /Commands/ItemTemplate_Console/Templates/a/count: count 4294967297 does not fit "
          "in 32 bits: it is read as 1",
          "config.json:4:58: warning: /Commands/ItemTemplate_Console/Templates/a/items/0/blueprint: the path "
          "\"/Game/Items/Wood Wall.WoodWall\" holds a blank, a quote or a control character: it loads nothing; no "
          "asset path holds one; was it pasted with a space?",
          "config.json:4:104: warning: /Commands/ItemTemplate_Console/Templates/a/items/0/quantity: quantity "
          "4294967295 does not fit in 32 bits: it is read as -1",
          "config.json:5:12: warning: /Commands/ItemTemplate_Console/Templates/e: the kit has no items: it gives "
          "nothing",
          "config.json:5:21: warning: /Commands/ItemTemplate_Console/Templates/f: the kit has no items: it gives "
          "nothing",
          "config.json:6:72: warning: /Commands/TeleportTo_Console/Locations/far/x: x 3e+38 lies outside every map: "
          "the engine's worlds end at 2097152 units from the origin",
          "config.json:6:83: warning: /Commands/TeleportTo_Console/Locations/far/y: y -2097153 lies outside every "
          "map: the engine's worlds end at 2097152 units from the origin",
      }));
  // A number beyond a double's range stops the parse; it is placed where it stands, not in a text.
  EXPECT_EQ(Lines(R"({"a": ["1e400", 1e400]})"),
            std::vector<std::string>{"config.json:1:17: error: the number 1e400 is beyond about 1.8e308, the largest "
                                     "that can be read; load and reload refuse the whole file"});
  // A file with no command to offer.
  EXPECT_EQ(Lines("{}"), std::vector<std::string>{
                             "config.json:1:1: warning: no command is enabled with a \"Command\" text: the plugin "
                             "offers nothing; give an entry under \"Commands\" a \"Command\", as in "
                             "\"TeleportTo_Console\": {\"Command\": \"tpto\"}"});
}

TEST(CheckTest, DoubtfulTemplateValuesAreNamedWithWhatTheGameGets) {
  EXPECT_EQ(
      Lines(R"({
  "Commands": {
    "ItemTemplate_Console": {"Command": "givekit", "Templates": {
      "k": {"count": 0, "items": [
        {"blueprint": "/Game/A.A", "quantity": -5, "count": -1},
        {"quantity": 1},
        {"blueprints": ["/Game/B.B", "Game/C"]},
        {"blueprint": "Blueprint'"}
      ]}
    }},
    "SpawnTemplate_Console": {"Command": "spawngroup", "Templates": {
      "r": {"blueprint": "/Game/R.R", "facing": "inward", "aggressionLevel": "agressive",
            "baseLevelHealth": 300, "tamedLevelFood": -1, "saddleBlueprint": "/Game/S.S", "saddleArmor": 20,
            "imprint": 1.5, "count": 0, "items": [{"blueprint": "", "quantity": -1, "count": 0}]},
      "s": {"blueprint": "/Game/R.R", "facing": "sideways", "aggressionLevel": "Neutral", "saddleBlueprint": "/Game/S.S",
            "saddleArmor": 400, "imprint": -0.5, "baseLevelOxygen": 255},
      "t": {"blueprint": "/Game/R.R", "saddleBlueprint": "/Game/S.S", "saddleArmor": -1, "tamedLevelWeight": 0}
    }}
  }
}
)"),
      (std::vector<std::string>{
          "config.json:4:22: warning: /Commands/ItemTemplate_Console/Templates/k/count: count 0 gives nothing",
          "config.json:5:48: warning: /Commands/ItemTemplate_Console/Templates/k/items/0/quantity: quantity -5 is "
          "negative",
          "config.json:5:61: warning: /Commands/ItemTemplate_Console/Templates/k/items/0/count: count -1 gives nothing",
          "config.json:6:9: warning: /Commands/ItemTemplate_Console/Templates/k/items/1: the item has no \"blueprint\" "
          "or \"blueprints\" path: it gives nothing",
          "config.json:7:38: warning: /Commands/ItemTemplate_Console/Templates/k/items/2/blueprints/1: the path "
          "\"Game/C\" cannot name an asset; an asset path starts with \"/\", as in \"/Game/Items/Rope.Rope\"",
          "config.json:8:23: warning: /Commands/ItemTemplate_Console/Templates/k/items/3/blueprint: the path "
          "\"Blueprint'\" cannot name an asset; an asset path starts with \"/\", as in \"/Game/Items/Rope.Rope\"",
          "config.json:12:49: warning: /Commands/SpawnTemplate_Console/Templates/r/facing: \"inward\" is not a known "
          "word: the creatures face forward; did you mean \"inwards\"?",
          "config.json:12:78: warning: /Commands/SpawnTemplate_Console/Templates/r/aggressionLevel: \"agressive\" is "
          "not a known word: the creatures are passive; did you mean \"aggressive\"?",
          "config.json:13:32: warning: /Commands/SpawnTemplate_Console/Templates/r/baseLevelHealth: level points 300 "
          "are outside 0..255: the creature gets 44",
          "config.json:13:55: warning: /Commands/SpawnTemplate_Console/Templates/r/tamedLevelFood: level points -1 are "
          "outside 0..255: the creature gets 255",
          "config.json:13:106: warning: /Commands/SpawnTemplate_Console/Templates/r/saddleArmor: saddle armor 20 wraps "
          "in its 16-bit stat value: the saddle gets 64536; armor from 25 up to, not including, 352.68 is stored as "
          "written; a negative one keeps the game's",
          "config.json:14:24: warning: /Commands/SpawnTemplate_Console/Templates/r/imprint: imprint 1.5 is outside "
          "0..1: it counts as 1",
          "config.json:14:38: warning: /Commands/SpawnTemplate_Console/Templates/r/count: count 0 gives nothing",
          "config.json:14:51: warning: /Commands/SpawnTemplate_Console/Templates/r/items/0: the item has no "
          "\"blueprint\" path: it gives nothing",
          "config.json:14:81: warning: /Commands/SpawnTemplate_Console/Templates/r/items/0/quantity: quantity -1 is "
          "negative",
          "config.json:14:94: warning: /Commands/SpawnTemplate_Console/Templates/r/items/0/count: count 0 gives "
          "nothing",
          "config.json:15:49: warning: /Commands/SpawnTemplate_Console/Templates/s/facing: \"sideways\" is not a known "
          "word: the creatures face forward; one of \"forward\", \"outwards\", \"inwards\"",
          "config.json:16:28: warning: /Commands/SpawnTemplate_Console/Templates/s/saddleArmor: saddle armor 400 wraps "
          "in its 16-bit stat value: the saddle gets 9464; armor from 25 up to, not including, 352.68 is stored as "
          "written; a negative one keeps the game's",
          "config.json:16:44: warning: /Commands/SpawnTemplate_Console/Templates/s/imprint: imprint -0.5 is outside "
          "0..1: it counts as none",
      }));
}
TEST(CheckTest, TheMistakesOfAFirstConfigAreEachNamedWithTheKeyMeant) {
  EXPECT_EQ(Lines(R"({
  "Commands": {
    "Teleport_Console": {"Command": "tp", "Locations": {"Camp": {"x": 100}}},
    "ItemTemplate_Console": {"Command": "givekit", "Templates": {
      "tools": {"items": [{"blueprint": "/Game/Items/Tools/Hatchet.Hatchet", "Quanity": 1}]}
    }},
    "SpawnTemplate_Console": {"Command": "spawngroup", "Templates": {
      "raptors": {"blueprint": "/Game/Creatures/Raptor/Raptor_Character_BP.Raptor_Character_BP",
                  "baseLevelHelth": 10, "saddleblueprint": "/Game/Items/Saddles/RaptorSaddle.RaptorSaddle",
                  "item": [{"blueprint": "/Game/Items/Consumables/RawMeat.RawMeat"}]}
    }},
    "TeleportTo_Console": {"Command": "tpto", "Locations": {"Camp": {"X": 100, "y": 200, "z": "300"}}}
  }
}
)"),
            (std::vector<std::string>{
                "config.json:12:95: error: /Commands/TeleportTo_Console/Locations/Camp/z: must be a number, not a text "
                "in quotes; \"tpto Camp\" answers \"Failed to read template...\"",
                "config.json:3:5: warning: /Commands/Teleport_Console: unknown command key \"Teleport_Console\": no "
                "command reads this entry; did you mean \"TeleportTo_Console\"?",
                "config.json:5:78: warning: /Commands/ItemTemplate_Console/Templates/tools/items/0/Quanity: unknown "
                "key \"Quanity\" is ignored; did you mean \"quantity\"?",
                "config.json:9:19: warning: /Commands/SpawnTemplate_Console/Templates/raptors/baseLevelHelth: unknown "
                "key \"baseLevelHelth\" is ignored; did you mean \"baseLevelHealth\"?",
                "config.json:9:41: warning: /Commands/SpawnTemplate_Console/Templates/raptors/saddleblueprint: unknown "
                "key \"saddleblueprint\" is ignored; did you mean \"saddleBlueprint\"?",
                "config.json:10:19: warning: /Commands/SpawnTemplate_Console/Templates/raptors/item: unknown key "
                "\"item\" is ignored; did you mean \"items\"?",
                "config.json:12:70: warning: /Commands/TeleportTo_Console/Locations/Camp/X: unknown key \"X\" is "
                "ignored; did you mean \"x\"?",
            }));
}

TEST(CheckTest, ACatalogueThatIsNotAnObjectAnswersEveryNameAsMissing) {
  EXPECT_EQ(Lines(R"({
  "Commands": {
    "ItemTemplate_Console": {"Command": "givekit", "Templates": ["builder"]},
    "TeleportTo_Console": {"Command": "tpto", "Locations": null}
  }
}
)"),
            (std::vector<std::string>{
                "config.json:3:65: warning: /Commands/ItemTemplate_Console/Templates: \"Templates\" is not an object: "
                "every name is answered \"The template does not exist! Maybe you forgot to reload..?\"",
                "config.json:4:60: warning: /Commands/TeleportTo_Console/Locations: \"Locations\" is not an object: "
                "every name is answered \"The template does not exist! Maybe you forgot to reload..?\"",
            }));
}

TEST(CheckTest, TheNearestKnownWordIsAMisspellingOfItOrNone) {
  const std::vector<std::string> known{"quality", "quantity", "count"};
  EXPECT_EQ(check::NearestWord("Quanity", known), "quantity");
  EXPECT_EQ(check::NearestWord("QUALITY", known), "quality");
  EXPECT_EQ(check::NearestWord("cuont", known), "count");
  EXPECT_EQ(check::NearestWord("speed", known), "");
}

TEST(CheckTest, ACommandEntrysOwnFaultHidesNoneOfItsTemplatesAndAWhitelistMustBeAList) {
  // A fault of the entry itself is named, and so is every fault of its catalogue.
  EXPECT_EQ(Lines(R"({
  "Commands": {
    "ItemTemplate_Console": {"Command": "givekit", "Others": "yes", "Templates": {"a": {"count": "3"}}},
    "TeleportTo_Console": {"Command": "tpto", "Others": 1, "Locations": {"Camp": {"y": "2"}}},
    "Health_Chat": {"Command": "/health", "Whitelist": "76561198000000001"},
    "Health_Console": {"Command": "health", "Whitelist": {"Alice": "76561198000000001"}}
  }
}
)"),
            (std::vector<std::string>{
                "config.json:3:62: error: /Commands/ItemTemplate_Console/Others: must be true, false or a list in [ ] "
                "of Steam ids, not a text in quotes; load and reload refuse the whole file",
                "config.json:3:98: error: /Commands/ItemTemplate_Console/Templates/a/count: must be a number, not a "
                "text in quotes; \"givekit a\" answers \"Failed to read template...\"",
                "config.json:4:57: error: /Commands/TeleportTo_Console/Others: must be true, false or a list in [ ] of "
                "Steam ids, not a number; load and reload refuse the whole file",
                "config.json:4:88: error: /Commands/TeleportTo_Console/Locations/Camp/y: must be a number, not a text "
                "in quotes; \"tpto Camp\" answers \"Failed to read template...\"",
                "config.json:5:56: error: /Commands/Health_Chat/Whitelist: must be a list in [ ] of Steam ids, not a "
                "text in quotes; load and reload refuse the whole file",
                "config.json:6:58: error: /Commands/Health_Console/Whitelist: must be a list in [ ] of Steam ids, not "
                "an object in { }; load and reload refuse the whole file",
            }));
}

TEST(CheckTest, OthersIsTrueOrAListOfSteamIdsAndTrueForEveryoneLetsAnyoneActOnAnyone) {
  EXPECT_EQ(
      Lines(R"({
  "Commands": {
    "ItemTemplate_Console": {"Command": "givekit", "Others": true},
    "SpawnTemplate_Console": {"Command": "spawngroup", "Others": [76561198000000001, "Bob"]},
    "TeleportTo_Console": {"Command": "tpto", "Others": [76561198000000001, 0, 1e3]},
    "Health_Console": {"Command": "health", "Permissions": true, "Whitelist": [76561198000000001]}
  },
  "Features": {"Permissions": {"Enabled": true}}
}
)"),
      (std::vector<std::string>{
          "config.json:3:62: warning: /Commands/ItemTemplate_Console/Others: \"Others\" is true and everyone may "
          "use the command: anyone can act on anyone; list the Steam ids who may act on others under \"Others\", "
          "or set \"Permissions\": true with a \"Whitelist\"",
          "config.json:4:86: warning: /Commands/SpawnTemplate_Console/Others/1: no group is named \"Bob\": it "
          "lets nobody in; define it under \"Features\": {\"Permissions\": {\"Groups\": {...}}}, or mend the name",
          "config.json:5:77: warning: /Commands/TeleportTo_Console/Others/1: the Steam id 0 is below 1: no "
          "player has it; a Steam id is a whole number from 1 up, as in 76561198000000001",
      }));
  // The command's whitelist applies only with the feature on; then "Others": true is whoever may use it.
  EXPECT_EQ(Lines(R"({
  "Commands": {
    "ItemTemplate_Console": {"Command": "givekit", "Permissions": true, "Whitelist": [76561198000000001], "Others": true}
  }
}
)"),
            (std::vector<std::string>{
                "config.json:3:67: warning: /Commands/ItemTemplate_Console/Permissions: \"Permissions\" is on but the "
                "feature \"Permissions\" is not enabled: no permission is checked; set \"Features\": {\"Permissions\": "
                "{\"Enabled\": true}}",
                "config.json:3:117: warning: /Commands/ItemTemplate_Console/Others: \"Others\" is true and everyone "
                "may use the command: anyone can act on anyone; list the Steam ids who may act on others under "
                "\"Others\", or set \"Permissions\": true with a \"Whitelist\"",
            }));
  EXPECT_EQ(Lines(R"({
  "Commands": {
    "ItemTemplate_Console": {"Command": "givekit", "Permissions": true, "Whitelist": [76561198000000001], "Others": true}
  },
  "Features": {"Permissions": {"Enabled": true}}
}
)"),
            std::vector<std::string>{});
}

TEST(CheckTest, WhitelistsThatAreNotAppliedOrNameNoPlayerAndEntriesNoneMayUseAreNamed) {
  // Ids beyond the signed range match as written: 18446744073709551615 is one.
  EXPECT_EQ(
      Lines(R"({
  "Commands": {
    "Health_Console": {"Command": "health", "Whitelist": [76561198000000001]},
    "Health_Chat": {"Command": "/health", "Whitelist": []},
    "ReloadConfig_Console": {"Command": "reload", "Permissions": true, "Whitelist": [0, -76561198000000001, 18446744073709551615]},
    "TeleportTo_Console": {"Command": "tpto", "Locations": {
      "Camp": {"Whitelist": [76561198000000001, 0]}, "Lake": {"Whitelist": "76561198000000001"}, "Sea": {"uses": 0},
      "Hill": {"uses": 1, "Whitelist": [true]}}}
  },
  "Features": {"Permissions": {"Enabled": true}, "Cooldowns": {"Enabled": true}}
}
)"),
      (std::vector<std::string>{
          "config.json:7:76: error: /Commands/TeleportTo_Console/Locations/Lake/Whitelist: must be a list in [ ] of "
          "Steam ids, not a text in quotes; with \"Permissions\" on, its use answers \"Failed to read template...\"",
          "config.json:8:41: error: /Commands/TeleportTo_Console/Locations/Hill/Whitelist/0: must be a number, not "
          "true or false; with \"Permissions\" on, its use answers \"Failed to read template...\"",
          "config.json:3:58: warning: /Commands/Health_Console/Whitelist: the whitelist is not applied: "
          "\"Permissions\" is not on, so everyone may use the command; set \"Permissions\": true",
          "config.json:5:86: warning: /Commands/ReloadConfig_Console/Whitelist/0: the Steam id 0 is below 1: no player "
          "has it; a Steam id is a whole number from 1 up, as in 76561198000000001",
          "config.json:5:89: warning: /Commands/ReloadConfig_Console/Whitelist/1: the Steam id -76561198000000001 is "
          "below 1: no player has it; a Steam id is a whole number from 1 up, as in 76561198000000001",
          "config.json:7:49: warning: /Commands/TeleportTo_Console/Locations/Camp/Whitelist/1: the Steam id 0 is below "
          "1: no player has it; a Steam id is a whole number from 1 up, as in 76561198000000001",
          "config.json:7:114: warning: /Commands/TeleportTo_Console/Locations/Sea/uses: \"uses\" is 0: nobody may ever "
          "use \"Sea\"",
      }));
}

TEST(CheckTest, TheSaveLocationCommandWantsAGuardAndATeleportCommand) {
  // Whoever may use it writes the server's config.json; its locations serve only the teleport command.
  EXPECT_EQ(Lines(R"({
  "Commands": {
    "SaveLocation_Console": {"Command": "savehere", "Whitelist": [76561198000000002]},
    "TeleportTo_Console": {"Command": "tpto", "Enabled": false}
  },
  "Features": {"Permissions": {"Enabled": true}}
}
)"),
            (std::vector<std::string>{
                "config.json:3:41: warning: /Commands/SaveLocation_Console/Command: anyone may use the command, and it "
                "writes the server's config.json; set \"Permissions\": true with a \"Whitelist\" of those who may",
                "config.json:3:41: warning: /Commands/SaveLocation_Console/Command: the teleport command "
                "\"TeleportTo_Console\" is not registered: no saved location can be used; give \"TeleportTo_Console\" "
                "a \"Command\" and leave it enabled",
                "config.json:3:66: warning: /Commands/SaveLocation_Console/Whitelist: the whitelist is not applied: "
                "\"Permissions\" is not on, so everyone may use the command; set \"Permissions\": true",
                "config.json:4:58: warning: /Commands/TeleportTo_Console/Enabled: the command is disabled and is not "
                "registered",
            }));
  EXPECT_EQ(Lines(R"({
  "Commands": {
    "SaveLocation_Console": {"Command": "savehere", "Permissions": true, "Whitelist": [76561198000000002]}
  }
}
)"),
            (std::vector<std::string>{
                "config.json:3:41: warning: /Commands/SaveLocation_Console/Command: anyone may use the command, and it "
                "writes the server's config.json; set \"Features\": {\"Permissions\": {\"Enabled\": true}}",
                "config.json:3:41: warning: /Commands/SaveLocation_Console/Command: the teleport command "
                "\"TeleportTo_Console\" is not registered: no saved location can be used; give \"TeleportTo_Console\" "
                "a \"Command\" and leave it enabled",
                "config.json:3:68: warning: /Commands/SaveLocation_Console/Permissions: \"Permissions\" is on but the "
                "feature \"Permissions\" is not enabled: no permission is checked; set \"Features\": {\"Permissions\": "
                "{\"Enabled\": true}}",
            }));
}

TEST(CheckTest, AnAuditFileOrDaysWhileTheFeatureIsOffAndAFileThatNamesAFolderAreNamed) {
  EXPECT_EQ(Lines(R"({
  "Commands": {"Health_Chat": {"Command": "/health"}},
  "Features": {"AuditLog": {"File": "logs/", "Days": 7}}
}
)"),
            (std::vector<std::string>{
                "config.json:3:37: warning: /Features/AuditLog/File: the feature \"AuditLog\" is not enabled: no audit "
                "line is written to the file; set \"Features\": {\"AuditLog\": {\"Enabled\": true}}",
                "config.json:3:37: warning: /Features/AuditLog/File: \"logs/\" names a folder, not a file: the audit "
                "lines go to \"logs/_YYYY-MM-DD\"; name a file in it, as in \"logs/audit.log\"",
                "config.json:3:54: warning: /Features/AuditLog/Days: the feature \"AuditLog\" is not enabled: no day "
                "file is written or removed; set \"Features\": {\"AuditLog\": {\"Enabled\": true}}",
            }));
}

TEST(CheckTest, AStoreThatCannotConnectOrHoldsAPasswordIsNamedWithoutItsSecret) {
  const std::vector<std::string> lines = Lines(R"({
  "Commands": {"Health_Chat": {"Command": "/health"}},
  "Features": {"Cooldowns": {"Store": {"Connection": "Server=db;Pwd=Sekrit;Sekrit2; ;Uid={ab", "Server": "island-1"}}}
}
)");
  EXPECT_EQ(lines,
            (std::vector<std::string>{
                "config.json:3:39: warning: /Features/Cooldowns/Store: the feature \"Cooldowns\" is not enabled: the "
                "store is never opened and no use is shared; set \"Features\": {\"Cooldowns\": {\"Enabled\": true}}",
                "config.json:3:54: warning: /Features/Cooldowns/Store/Connection: piece 3 of the connection string is "
                "not KEY=VALUE: the driver manager ignores it; separate the pieces with ';', as in "
                "\"Driver=...;Server=...;Database=...\"",
                "config.json:3:54: warning: /Features/Cooldowns/Store/Connection: a value of the connection string "
                "opens with '{' and is never closed: it runs to the end; close it with '}'",
                "config.json:3:54: warning: /Features/Cooldowns/Store/Connection: the connection string names neither "
                "a \"DSN\" nor a \"Driver\": nothing can connect; write \"DSN=name\" for a data source of the "
                "system's ODBC settings, or \"Driver=...\" with its file or name",
                "config.json:3:54: warning: /Features/Cooldowns/Store/Connection: a password (\"Pwd\" or "
                "\"Password\") is written in config.json: whoever reads the file or a copy of it can reach the "
                "database; keep it in the system's ODBC settings and write \"DSN=name\"",
            }));
  for (const std::string& line : lines) EXPECT_EQ(line.find("Sekrit"), std::string::npos) << line;
  // A driver named without its server or database; a data source names both itself.
  EXPECT_EQ(Lines(R"({
  "Commands": {"Health_Chat": {"Command": "/health"}},
  "Features": {"Cooldowns": {"Enabled": true, "Store": {"Connection": "driver=psql; PASSWORD ={x;y}", "Server": "a"}}}
}
)"),
            (std::vector<std::string>{
                "config.json:3:71: warning: /Features/Cooldowns/Store/Connection: the connection string names no "
                "\"Server\": the driver's default is taken, which is seldom the cluster's",
                "config.json:3:71: warning: /Features/Cooldowns/Store/Connection: the connection string names no "
                "\"Database\": the driver's default is taken, which is seldom the cluster's",
                "config.json:3:71: warning: /Features/Cooldowns/Store/Connection: a password (\"Pwd\" or "
                "\"Password\") is written in config.json: whoever reads the file or a copy of it can reach the "
                "database; keep it in the system's ODBC settings and write \"DSN=name\"",
            }));
  EXPECT_EQ(Lines(R"({
  "Commands": {"Health_Chat": {"Command": "/health"}},
  "Features": {"Cooldowns": {"Enabled": true, "Store": {"Connection": "DSN=cluster;", "Server": "a"}}}
}
)"),
            std::vector<std::string>{});
}

class CheckProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("orvanel-check-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(root_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  // Runs orvanel-check with `arguments`; `status` gets its exit status.
  std::string Run(const std::string& arguments, int& status) {
    return RunCommand(ORVANEL_CHECK_PATH, arguments, status);
  }
  std::string Write(const std::string& name, const std::string& text) {
    const auto path = root_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  // Checks `text` as config.json on disk; the file's path is "config.json" in what it prints.
  std::string Checked(const std::string& text, int& status) {
    const std::string path = Write("config.json", text);
    std::string printed = Run(path, status);
    for (std::size_t at = printed.find(path); at != std::string::npos; at = printed.find(path, at))
      printed.replace(at, path.size(), "config.json");
    return printed;
  }

  std::filesystem::path root_;
};

TEST_F(CheckProgramTest, TheExampleConfigChecksCleanAgainstTheExampleWorld) {
  int status = -1;
  const std::string examples = ORVANEL_EXAMPLES_DIR;
  EXPECT_EQ(
      Run("--world " + examples + "/worlds/example.json " + examples + "/server/TalvexApi/Plugins/Orvanel/config.json",
          status),
      "");
  EXPECT_EQ(status, 0);
}

TEST_F(CheckProgramTest, EveryTypeErrorOfEveryTemplateIsNamedInOneRun) {
  const std::string faulty = R"({"Commands": {
  "ItemTemplate_Console": {"Command": "givekit", "Templates": {"starter": {"count": "2", "items": [
    {"blueprint": 7, "quantity": "5"}, {"blueprint": "/Game/Items/Rope.Rope", "quality": true}]}}},
  "SpawnTemplate_Console": {"Command": "spawngroup", "Templates": {"raptors": {
    "blueprint": "/Game/Creatures/Raptor.Raptor", "radius": "500", "follow": 1}}}}}
)";
  int status = -1;
  EXPECT_EQ(
      Checked(faulty, status),
      "config.json:2:85: error: /Commands/ItemTemplate_Console/Templates/starter/count: must be a number, not a "
      "text in quotes; \"givekit starter\" answers \"Failed to read template...\"\n"
      "config.json:3:19: error: /Commands/ItemTemplate_Console/Templates/starter/items/0/blueprint: must be a "
      "text in quotes, not a number; \"givekit starter\" answers \"Failed to read template...\"\n"
      "config.json:3:34: error: /Commands/ItemTemplate_Console/Templates/starter/items/0/quantity: must be a "
      "number, not a text in quotes; \"givekit starter\" answers \"Failed to read template...\"\n"
      "config.json:3:90: error: /Commands/ItemTemplate_Console/Templates/starter/items/1/quality: must be a "
      "number, not true or false; \"givekit starter\" answers \"Failed to read template...\"\n"
      "config.json:5:61: error: /Commands/SpawnTemplate_Console/Templates/raptors/radius: must be a number, not a "
      "text in quotes; \"spawngroup raptors\" answers \"Failed to read template...\"\n"
      "config.json:5:78: error: /Commands/SpawnTemplate_Console/Templates/raptors/follow: must be true or false, "
      "not a number; \"spawngroup raptors\" answers \"Failed to read template...\"\n");
  EXPECT_EQ(status, 2);
  // The same file with its six values put right checks clean.
  std::string fixed = faulty;
  for (const auto& [wrong, right] : std::vector<std::pair<std::string, std::string>>{
           {"\"count\": \"2\"", "\"count\": 2"},
           {"\"blueprint\": 7", "\"blueprint\": \"/Game/Items/Hatchet.Hatchet\""},
           {"\"quantity\": \"5\"", "\"quantity\": 5"},
           {"\"quality\": true", "\"quality\": 1.5"},
           {"\"radius\": \"500\"", "\"radius\": 500"},
           {"\"follow\": 1", "\"follow\": true"}})
    fixed.replace(fixed.find(wrong), wrong.size(), right);
  EXPECT_EQ(Checked(fixed, status), "");
  EXPECT_EQ(status, 0);
}

TEST_F(CheckProgramTest, AValueOfTheWrongShapeIsNamedInTheOperatorsWords) {
  int status = -1;
  EXPECT_EQ(Checked(R"({"Commands": {
  "Health_Chat": 7,
  "ItemTemplate_Console": {"Command": "givekit", "Templates": {"a": ["/Game/A.A"], "b": {"items": ["/Game/A.A"]}}},
  "SpawnTemplate_Console": {"Command": "spawngroup", "Templates": {"r": {"items": [{"count": 2}]}}},
  "TeleportTo_Console": {"Command": "tpto", "Locations": {"Camp": [100, 200, 30]}}}}
)",
                    status),
            "config.json:2:18: error: /Commands/Health_Chat: must be an object in { }, not a number; load and reload "
            "refuse the whole file\n"
            "config.json:3:69: error: /Commands/ItemTemplate_Console/Templates/a: kit \"a\" must be an object in { } "
            "with \"items\", not a list in [ ]; \"givekit a\" answers \"Failed to read template...\"\n"
            "config.json:3:100: error: /Commands/ItemTemplate_Console/Templates/b/items/0: must be an object in { } "
            "with a \"blueprint\" or \"blueprints\", not a text in quotes; \"givekit b\" answers \"Failed to read "
            "template...\"\n"
            "config.json:4:73: error: /Commands/SpawnTemplate_Console/Templates/r/blueprint: is missing (the path of "
            "the creature to spawn); \"spawngroup r\" answers \"Failed to read template...\"\n"
            "config.json:4:84: error: /Commands/SpawnTemplate_Console/Templates/r/items/0/blueprint: is missing (the "
            "path of the item to give); \"spawngroup r\" answers \"Failed to read template...\"\n"
            "config.json:5:67: error: /Commands/TeleportTo_Console/Locations/Camp: location \"Camp\" must be an object "
            "in { } with \"x\", \"y\" and \"z\", not a list in [ ]; \"tpto Camp\" answers \"Failed to read "
            "template...\"\n");
  EXPECT_EQ(status, 2);
}

TEST_F(CheckProgramTest, ATemplateBeyondAWorkLimitNamesWhatItAsksForInAllAndTheKeysToLower) {
  int status = -1;
  EXPECT_EQ(Checked(R"({"Commands": {
  "ItemTemplate_Console": {"Command": "givekit", "Templates": {"starter": {"count": 20, "items": [
    {"blueprint": "/Game/A.A", "count": 100}, {"blueprints": ["/Game/B.B", "/Game/C.C"], "count": 250}]}}},
  "SpawnTemplate_Console": {"Command": "spawngroup", "Templates": {
    "horde": {"blueprint": "/Game/R.R", "count": 1500},
    "packed": {"blueprint": "/Game/R.R", "count": 200, "saddleBlueprint": "/Game/S.S",
               "items": [{"blueprint": "/Game/I.I", "count": 60}]}}}}}
)",
                    status),
            "config.json:2:75: error: /Commands/ItemTemplate_Console/Templates/starter: kit \"starter\" asks for 12000 "
            "items in all (\"count\" x the items' \"count\" x their paths, summed); the most is 10000: lower "
            "\"count\" or the items' \"count\"; \"givekit starter\" answers \"Failed to read template...\"\n"
            "config.json:5:14: error: /Commands/SpawnTemplate_Console/Templates/horde: creature group \"horde\" asks "
            "for 1500 creatures (\"count\"); the most is 1000: lower \"count\"; \"spawngroup horde\" answers \"Failed "
            "to read template...\"\n"
            "config.json:6:15: error: /Commands/SpawnTemplate_Console/Templates/packed: creature group \"packed\" asks "
            "for 12200 items in all (\"count\" x the saddle and the items' \"count\", summed); the most is 10000: "
            "lower \"count\" or the items' \"count\"; \"spawngroup packed\" answers \"Failed to read template...\"\n");
  EXPECT_EQ(status, 2);
}

TEST_F(CheckProgramTest, ASyntaxErrorIsFollowedByItsLikelyCause) {
  const std::string refused = "; load and reload refuse the whole file\n";
  int status = -1;
  // A comma missing between members, and between elements.
  EXPECT_EQ(Checked("{\"Commands\": {\n  \"Health_Chat\": {\"Command\": \"/health\" \"Enabled\": true}}}\n", status),
            "config.json:2:48: error: found a text in quotes where ',' or '}' should be" + refused +
                "config.json:2:39: note: likely cause: a missing \",\"; members and elements are separated by "
                "commas\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(Checked("{\"Commands\": {\"Health_Chat\": {\"Whitelist\": [1\n  2]}}}\n", status),
            "config.json:2:3: error: found a number where ',' or ']' should be" + refused +
                "config.json:1:46: note: likely cause: a missing \",\"; members and elements are separated by "
                "commas\n");
  // A comma after the last member, and after the last element.
  EXPECT_EQ(Checked("{\"Commands\": {\"Health_Chat\": {\"Command\": \"/health\",\n}}}\n", status),
            "config.json:2:1: error: found '}' where a key in double quotes should be" + refused +
                "config.json:1:51: note: likely cause: a \",\" after the last member or element; JSON allows none: "
                "remove it\n");
  EXPECT_EQ(Checked("{\"Commands\": {\"Health_Chat\": {\"Whitelist\": [1, 2, ]}}}\n", status),
            "config.json:1:51: error: found ']' where a value should be" + refused +
                "config.json:1:49: note: likely cause: a \",\" after the last member or element; JSON allows none: "
                "remove it\n");
  // Comments of either kind.
  EXPECT_EQ(Checked("{\"Commands\": {\n  // the survey\n  \"Health_Chat\": {\"Command\": \"/health\"}}}\n", status),
            "config.json:2:3: error: found a word or character that JSON does not know where a key in double quotes "
            "should be" +
                refused +
                "config.json:2:3: note: likely cause: a comment; JSON has none, neither \"//\" nor \"/* */\": "
                "remove it\n");
  EXPECT_EQ(Checked("{\"Commands\": {\"Health_Chat\": {\"Command\": \"/health\" /* chat */}}}\n", status),
            "config.json:1:52: error: found a word or character that JSON does not know where ',' or '}' should be" +
                refused +
                "config.json:1:52: note: likely cause: a comment; JSON has none, neither \"//\" nor \"/* */\": "
                "remove it\n");
  // Single quotes, and a key without quotes.
  EXPECT_EQ(
      Checked("{\"Commands\": {\"Health_Chat\": {\"Command\": '/health'}}}\n", status),
      "config.json:1:42: error: found a word or character that JSON does not know" + refused +
          "config.json:1:42: note: likely cause: single quotes; JSON takes double quotes around keys and texts\n");
  EXPECT_EQ(Checked("{\"Commands\": {\"Health_Chat\": {Command: \"/health\"}}}\n", status),
            "config.json:1:31: error: found a word or character that JSON does not know where a key in double quotes "
            "should be" +
                refused +
                "config.json:1:31: note: likely cause: the key Command without double quotes; write "
                "\"Command\"\n");
  EXPECT_EQ(status, 2);
}

TEST_F(CheckProgramTest, WithAWorldPathsOutsideItsCatalogueAreNamed) {
  const std::string config = Write("config.json", R"({"Commands": {
  "ItemTemplate_Console": {"Command": "givekit", "Templates": {"k": {"items": [
    {"blueprint": "/Game/Items/Tools/Hatchet.Hatchet"}, {"blueprints": ["/Game/Items/Tools/Axe.Axe"]}]}}},
  "SpawnTemplate_Console": {"Command": "spawngroup", "Templates": {
    "r": {"blueprint": "/Game/Creatures/Raptor/Raptor_Character_BP.Raptor_Character_BP_C",
          "saddleBlueprint": "/Game/Items/Saddles/RexSaddle.RexSaddle"},
    "x": {"blueprint": "/Game/Creatures/Rex/Rex_Character_BP.Rex_Character_BP",
          "items": [{"blueprint": "/Game/Items/Consumables/RawMeat.RawMeat"}]}}}}}
)");
  const std::string world = Write("world.json", R"({"assets": {
    "items": ["/Game/Items/Tools/Hatchet.Hatchet_C", "/Game/Items/Consumables/RawMeat.RawMeat_C"],
    "creatures": ["Blueprint'/Game/Creatures/Raptor/Raptor_Character_BP.Raptor_Character_BP'"]}})");
  int status = -1;
  EXPECT_EQ(Run(config, status), "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Run("--world " + world + " " + config, status),
            config +
                ":3:73: warning: /Commands/ItemTemplate_Console/Templates/k/items/1/blueprints/0: the path "
                "\"/Game/Items/Tools/Axe.Axe\" is not an item class in the world's catalogue\n" +
                config +
                ":6:30: warning: /Commands/SpawnTemplate_Console/Templates/r/saddleBlueprint: the path "
                "\"/Game/Items/Saddles/RexSaddle.RexSaddle\" is not an item class in the world's catalogue\n" +
                config +
                ":7:24: warning: /Commands/SpawnTemplate_Console/Templates/x/blueprint: the path "
                "\"/Game/Creatures/Rex/Rex_Character_BP.Rex_Character_BP\" is not a creature in the world's "
                "catalogue\n");
  EXPECT_EQ(status, 1);
  const std::string any = Write("any.json", R"({"assets": {"any": true}})");
  EXPECT_EQ(Run("--world " + any + " " + config, status), "");
}

TEST_F(CheckProgramTest, TheJsonFormatIsOneArrayAndTheStatusTellsTheWorstFinding) {
  const std::string config = Write("config.json",
                                   "{\"Commands\": {\"Health_Chat\": {\"Enabled\": \"true\"}},\n"
                                   " \"Comands\": {}}\n");
  int status = -1;
  const nlohmann::json found = nlohmann::json::parse(Run("--format json " + config, status));
  EXPECT_EQ(status, 2);
  EXPECT_EQ(found, nlohmann::json::array({
                       {{"severity", "error"},
                        {"file", config},
                        {"line", 1},
                        {"column", 42},
                        {"pointer", "/Commands/Health_Chat/Enabled"},
                        {"message", "must be true or false, not a text in quotes"},
                        {"hint", "load and reload refuse the whole file"}},
                       {{"severity", "warning"},
                        {"file", config},
                        {"line", 2},
                        {"column", 2},
                        {"pointer", "/Comands"},
                        {"message", "unknown key \"Comands\" is ignored"},
                        {"hint", "did you mean \"Commands\"?"}},
                   }));
  EXPECT_EQ(
      Run("--format json " + Write("clean.json", R"({"Commands": {"Health_Chat": {"Command": "/health"}}})"), status),
      "[]\n");
  EXPECT_EQ(status, 0);
  Run(Write("warned.json", "{\"Comands\": {}}"), status);
  EXPECT_EQ(status, 1);
  // A syntax error's note follows it in the array and adds nothing to the status.
  const nlohmann::json noted = nlohmann::json::parse(Run("--format json " + Write("comma.json", "[1,]"), status));
  EXPECT_EQ(status, 2);
  ASSERT_EQ(noted.size(), 2u);
  EXPECT_EQ(noted[1]["severity"], "note");
  EXPECT_EQ(noted[1]["column"], 3);
  EXPECT_EQ(check::ExitStatus({{"note", "config.json", 1, 3, "", "likely cause: ...", ""}}), 0);
  EXPECT_EQ(
      Run((root_ / "missing.json").string(), status),
      (root_ / "missing.json").string() + ":1:1: error: cannot read the file; load and reload refuse the whole file\n");
  EXPECT_EQ(status, 2);
  Run(root_.string(), status);
  EXPECT_EQ(status, 2);
  Run("--format yaml " + config, status);
  EXPECT_NE(status, 0);
}

}  // namespace

TEST_F(CheckProgramTest, CooldownsAndUseLimitsAreReadAsThePluginReadsThemAndNeedTheirFeature) {
  int status = -1;
  EXPECT_EQ(Checked(R"({"Commands": {
  "ItemTemplate_Console": {"Command": "givekit", "Templates": {"a": {"items": [], "cooldown": "60", "uses": -1}}},
  "TeleportTo_Console": {"Command": "tpto", "Locations": {"Camp": {"uses": 2}, "Lake": {"cooldown": 1e10}}}},
 "Features": {"Cooldowns": {"Enabled": true}}}
)",
                    status),
            "config.json:2:95: error: /Commands/ItemTemplate_Console/Templates/a/cooldown: must be a number, not a "
            "text in quotes; \"givekit a\" answers \"Failed to read template...\"\n"
            "config.json:2:109: error: /Commands/ItemTemplate_Console/Templates/a/uses: must be a whole number of 0 or "
            "more; \"givekit a\" answers \"Failed to read template...\"\n"
            "config.json:3:101: error: /Commands/TeleportTo_Console/Locations/Lake/cooldown: must be from 0 to "
            "1000000000 seconds; \"tpto Lake\" answers \"Failed to read template...\"\n"
            "config.json:2:69: warning: /Commands/ItemTemplate_Console/Templates/a: the kit has no items: it gives "
            "nothing\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(
      Checked(R"({"Commands": {
  "TeleportTo_Console": {"Command": "tpto", "Locations": {"Camp": {"uses": 2}, "Lake": {"cooldown": 0}}}}}
)",
              status),
      "config.json:2:76: warning: /Commands/TeleportTo_Console/Locations/Camp/uses: the feature \"Cooldowns\" "
      "is not enabled: no cooldown or use limit is kept; set \"Features\": {\"Cooldowns\": {\"Enabled\": true}}\n");
  EXPECT_EQ(status, 1);
}

TEST_F(CheckProgramTest, AnEntrysWhitelistIsReadAsThePluginReadsItAndNeedsItsFeature) {
  int status = -1;
  EXPECT_EQ(Checked(R"({"Commands": {
  "TeleportTo_Console": {"Command": "tpto", "Locations": {
    "Camp": {"Whitelist": []}, "Lake": {"Whitelist": ["76561198000000001"]}, "Hill": {"Whitelist": [7.5]}}}},
 "Features": {"Permissions": {"Enabled": true}}}
)",
                    status),
            "config.json:3:55: error: /Commands/TeleportTo_Console/Locations/Lake/Whitelist/0: must be a number, not a "
            "text in quotes; with \"Permissions\" on, its use answers \"Failed to read template...\"\n"
            "config.json:3:27: warning: /Commands/TeleportTo_Console/Locations/Camp/Whitelist: the whitelist is "
            "empty: nobody may use \"Camp\"\n"
            "config.json:3:101: warning: /Commands/TeleportTo_Console/Locations/Hill/Whitelist/0: the Steam id is not "
            "written as a whole number: it is read as 7; write the id as a whole number, without a point or "
            "exponent\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(
      Checked(R"({"Commands": {"TeleportTo_Console": {"Command": "tpto", "Locations": {"Camp": {"Whitelist": [1]}}}}}
)",
              status),
      "config.json:1:93: warning: /Commands/TeleportTo_Console/Locations/Camp/Whitelist: the feature "
      "\"Permissions\" is not enabled: the whitelist is not checked; set \"Features\": {\"Permissions\": "
      "{\"Enabled\": true}}\n");
  EXPECT_EQ(status, 1);
}

TEST_F(CheckProgramTest, AGroupsFaultIsNamedAtItsPlaceAndAGroupNoOneDefinesIsWarnedOf) {
  int status = -1;
  EXPECT_EQ(Checked(R"({"Commands": {"Health_Console": {"Command": "health", "Permissions": true,
  "Whitelist": ["admins", "admns"]}},
 "Features": {"Permissions": {"Enabled": true, "Groups": {
  "admins": {"Inherits": ["moderators"]}, "moderators": {"Inherits": ["admins"]}}}}}
)",
                    status),
            "config.json:4:71: error: /Features/Permissions/Groups/moderators/Inherits/0: the groups inherit in a "
            "cycle: \"admins\" inherits \"moderators\" inherits \"admins\"; load and reload refuse the whole file\n"
            "config.json:1:70: warning: /Commands/Health_Console/Permissions: \"Permissions\" is on but the feature "
            "\"Permissions\" is not enabled: no permission is checked; set \"Features\": {\"Permissions\": "
            "{\"Enabled\": true}}\n"
            "config.json:2:27: warning: /Commands/Health_Console/Whitelist/1: no group is named \"admns\": it lets "
            "nobody in; define it under \"Features\": {\"Permissions\": {\"Groups\": {...}}}, or mend the name\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(Checked(R"({"Features": {"Permissions": {"Groups": {"a": {"Members": [1, "2"]}}},
 "Cooldowns": {"Enabled": true, "Exempt": ["b"]}}}
)",
                    status),
            "config.json:1:63: error: /Features/Permissions/Groups/a/Members/1: must be a Steam id, a whole number "
            "from 1 up, not a text in quotes; load and reload refuse the whole file\n"
            "config.json:2:44: warning: /Features/Cooldowns/Exempt/0: no group is named \"b\": it lets nobody in; "
            "define it under \"Features\": {\"Permissions\": {\"Groups\": {...}}}, or mend the name\n");
  EXPECT_EQ(status, 2);
}
