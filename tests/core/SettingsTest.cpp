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
  EXPECT_TRUE(settings.whitelist.empty());
  EXPECT_EQ(settings.entry, json({{"Command", "give-kit"}}));
  EXPECT_FALSE(ParseFeatureSettings(json::object()).enabled);
  EXPECT_TRUE(ParseFeatureSettings({{"Enabled", true}}).enabled);
}

TEST(SettingsTest, WhitelistNumbersAreTruncatedTowardZero) {
  EXPECT_EQ(ParseCommandSettings({{"Whitelist", {12.9, -3.7, 76561198000000001ULL, -5}}}).whitelist,
            (std::vector<int64_t>{12, -3, 76561198000000001LL, -5}));
  // A lone number is a list of one, null an empty list.
  EXPECT_EQ(ParseCommandSettings({{"Whitelist", 42}}).whitelist, std::vector<int64_t>{42});
  EXPECT_TRUE(ParseCommandSettings({{"Whitelist", nullptr}}).whitelist.empty());
  // Out of the 64-bit range: clamped, never an undefined conversion.
  EXPECT_EQ(ParseCommandSettings({{"Whitelist", {1e300}}}).whitelist.front(), INT64_MAX);
  EXPECT_EQ(ParseCommandSettings({{"Whitelist", {-1e300}}}).whitelist.front(), INT64_MIN);
  // No file holds a NaN, but a document built in code may: it reads as 0.
  EXPECT_EQ(ParseCommandSettings({{"Whitelist", {std::nan("")}}}).whitelist.front(), 0);
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

}  // namespace
