// Reading one "Commands" or "Features" entry into its settings record.
#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "orvanel/core/Settings.h"

using nlohmann::json;

namespace {

TEST(SettingsTest, AnEntryWithOnlyACommandTakesTheDefaults) {
  const CommandSettings settings = ParseCommandSettings({{"Command", "give-kit"}});
  EXPECT_EQ(settings.command, "give-kit");
  EXPECT_TRUE(settings.enabled);
  EXPECT_FALSE(settings.permissions);
  EXPECT_TRUE(settings.whitelist.Empty());
  EXPECT_EQ(settings.entry, json({{"Command", "give-kit"}}));
  EXPECT_FALSE(ParseFeatureSettings("Feedback", json::object()).enabled);
  EXPECT_TRUE(ParseFeatureSettings("Feedback", {{"Enabled", true}}).enabled);
}

TEST(SettingsTest, WhitelistNumbersAreTruncatedTowardZero) {
  EXPECT_EQ(ParseCommandSettings({{"Whitelist", {12.9, -3.7, 76561198000000001ULL, -5}}}).whitelist.ids,
            (std::vector<int64_t>{12, -3, 76561198000000001LL, -5}));
  // A lone number is a list of one, null an empty list.
  EXPECT_EQ(ParseCommandSettings({{"Whitelist", 42}}).whitelist.ids, std::vector<int64_t>{42});
  EXPECT_TRUE(ParseCommandSettings({{"Whitelist", nullptr}}).whitelist.Empty());
  // A text is a group's name, one of digits alone a Steam id in quotes (refused below).
  EXPECT_EQ(ParseCommandSettings({{"Whitelist", {"admins", 7}}}).whitelist.groups, std::vector<std::string>{"admins"});
  // Out of the 64-bit range: clamped, never an undefined conversion.
  EXPECT_EQ(ParseCommandSettings({{"Whitelist", {1e300}}}).whitelist.ids.front(), INT64_MAX);
  EXPECT_EQ(ParseCommandSettings({{"Whitelist", {-1e300}}}).whitelist.ids.front(), INT64_MIN);
  // No file holds a NaN, but a document built in code may: it reads as 0.
  EXPECT_EQ(ParseCommandSettings({{"Whitelist", {std::nan("")}}}).whitelist.ids.front(), 0);
}

TEST(SettingsTest, WrongTypesRaiseTheLibrarysErrors) {
  auto error_of = [](const json& entry) {
    try {
      ParseCommandSettings(entry);
    } catch (const json::exception& error) {
      return std::string(error.what());
    }
    return std::string();
  };
  EXPECT_NE(error_of({{"Whitelist", {"1"}}}).find("type must be number, but is string"), std::string::npos);
  EXPECT_NE(error_of({{"Whitelist", {true}}}).find("type must be number, but is boolean"), std::string::npos);
  EXPECT_NE(error_of({{"Enabled", "yes"}}).find("type must be boolean, but is string"), std::string::npos);
  EXPECT_NE(error_of({{"Permissions", 1}}).find("type must be boolean, but is number"), std::string::npos);
  EXPECT_NE(error_of({{"Command", 7}}).find("type must be string, but is number"), std::string::npos);
  EXPECT_NE(error_of("text").find("cannot use value() with string"), std::string::npos);
}

TEST(SettingsTest, ATypeErrorOfAnEntryNamesTheEntrysPlaceFromTheRoot) {
  auto error_of = [](const json& configuration) {
    try {
      ReadSettings(configuration);
    } catch (const json::exception& error) {
      return std::string(error.what());
    }
    return std::string();
  };
  // The library's diagnostics name the value inside the entry.
  EXPECT_EQ(error_of({{"Commands", {{"Health_Chat", {{"Enabled", "yes"}}}}}}),
            "[json.exception.type_error.302] (/Commands/Health_Chat/Enabled) type must be boolean, but is string");
  EXPECT_EQ(error_of({{"Commands", {7}}}),
            "[json.exception.type_error.302] (/Commands) type must be object, but is array");
  EXPECT_EQ(error_of({{"Features", {{"a~b", 7}}}}),
            "[json.exception.type_error.306] (/Features/a~0b) cannot use value() with number");
}

TEST(SettingsTest, TheAuditLogsFileIsANonEmptyStringAndItsDaysAWholeNumberOfOneOrMore) {
  const FeatureSettings defaults = ParseFeatureSettings("AuditLog", {{"Enabled", true}});
  EXPECT_EQ(defaults.file, "");
  EXPECT_EQ(defaults.days, 30);
  const FeatureSettings read = ParseFeatureSettings("AuditLog", {{"File", "../logs/audit.log"}, {"Days", 2.0}});
  EXPECT_EQ(read.file, "../logs/audit.log");
  EXPECT_EQ(read.days, 2);
  EXPECT_EQ(ParseFeatureSettings("AuditLog", {{"Days", 1}}).days, 1);
  EXPECT_EQ(ParseFeatureSettings("AuditLog", {{"Days", 1e300}}).days, int64_t{1} << 62);
  // Other features have neither.
  EXPECT_EQ(ParseFeatureSettings("Feedback", {{"File", 7}, {"Days", 0}}).days, 30);

  auto error_of = [](const json& entry) {
    try {
      ParseFeatureSettings("AuditLog", entry);
    } catch (const json::type_error& error) {
      return std::string(error.what());
    }
    return std::string();
  };
  const std::string prefix = "[json.exception.type_error.302] ";
  EXPECT_EQ(error_of({{"File", 7}}), prefix + "(/File) type must be string, but is number");
  EXPECT_EQ(error_of({{"File", nullptr}}), prefix + "(/File) type must be string, but is null");
  EXPECT_EQ(error_of({{"File", ""}}), prefix + "(/File) must name a file, not be empty");
  EXPECT_EQ(error_of({{"Days", "2"}}), prefix + "(/Days) type must be number, but is string");
  EXPECT_EQ(error_of({{"Days", true}}), prefix + "(/Days) type must be number, but is boolean");
  for (const json& days : {json(0), json(-3), json(1.5), json(0.999), json(-1e300)})
    EXPECT_EQ(error_of({{"Days", days}}), prefix + "(/Days) must be a whole number of 1 or more") << days;
}

TEST(SettingsTest, AReloadNamesEachFeatureMemberItDoesNotApply) {
  const Settings loaded = ReadSettings({{"Features", {{"AuditLog", {{"Enabled", true}, {"File", "a.log"}}}}}});
  EXPECT_TRUE(UnappliedChanges(loaded, loaded).empty());
  EXPECT_EQ(
      UnappliedChanges(
          loaded, ReadSettings({{"Features", {{"AuditLog", {{"Enabled", true}, {"Days", 30}, {"File", "a.log"}}}}}})),
      std::vector<std::string>{});
  EXPECT_EQ(UnappliedChanges(loaded, ReadSettings({{"Features", {{"AuditLog", {{"File", "b.log"}, {"Days", 3}}}}}})),
            std::vector<std::string>{"Features \"AuditLog\" \"Enabled\" \"File\" \"Days\""});
  // An entry gone counts as its defaults.
  EXPECT_EQ(UnappliedChanges(loaded, ReadSettings(json::object())),
            std::vector<std::string>{"Features \"AuditLog\" \"Enabled\" \"File\""});
}

}  // namespace
