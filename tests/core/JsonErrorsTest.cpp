// The JSON library's errors as a person reads them: the library's own texts,
// made by the library, in plain words, with or without their place.
#include "orvanel/core/JsonErrors.h"

#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

// The library's text for what `run` throws.
template <typename Run>
std::string ErrorOf(Run run) {
  try {
    run();
  } catch (const json::exception& error) {
    return error.what();
  }
  return "no error";
}

std::string ParseError(const std::string& text) {
  return ErrorOf([&] { return json::parse(text).dump(); });
}

TEST(JsonErrorsTest, ParseErrorsSayWhatWasFoundAndWhatShouldStandThere) {
  EXPECT_EQ(JsonErrorWithPlace(ParseError("{\"a\": 1}}")),
            "line 1, column 9: found '}' where the end of the text should be");
  EXPECT_EQ(JsonErrorReason(ParseError("{\"a\" 1}")), "found a number where ':' should be");
  EXPECT_EQ(JsonErrorReason(ParseError("{\"a\": \"abc")), "a text in quotes has no closing quote");
  EXPECT_EQ(JsonErrorReason(ParseError("{\"a\": \"\xff\"}")), "a text in quotes holds a byte that is not UTF-8");
  EXPECT_EQ(JsonErrorReason(ParseError("{\"a\": \"\\q\"}")),
            "a text in quotes has a backslash before a character that takes none");
  EXPECT_EQ(JsonErrorReason(ParseError("{\"a\": \"\x01\"}")),
            "in a text in quotes: control character U+0001 (SOH) must be escaped to \\u0001");
  EXPECT_EQ(JsonErrorReason(ParseError("[-]")), "in a number: expected digit after '-'");
  EXPECT_EQ(JsonErrorReason(ParseError("[true false]")), "found false where ',' or ']' should be");
}

TEST(JsonErrorsTest, TypeErrorsSayWhatTheValueMustBeAndWhatItIs) {
  const json config = json::parse(R"({"Commands": {"Health_Chat": {"Enabled": null, "Command": [1]}}})");
  const json& entry = config["Commands"]["Health_Chat"];
  const std::string wrong_type = ErrorOf([&] { return entry["Command"].get<std::string>(); });
  EXPECT_EQ(JsonErrorWithPlace(wrong_type),
            "/Commands/Health_Chat/Command: must be a text in quotes, not a list in [ ]");
  EXPECT_EQ(JsonErrorReason(wrong_type), "must be a text in quotes, not a list in [ ]");
  EXPECT_EQ(JsonErrorReason(ErrorOf([&] { return entry["Enabled"].value("x", 1); })),
            "must be an object in { }, not null");
  // Texts that are not the library's pass unchanged.
  EXPECT_EQ(JsonErrorReason("config.json nests too deep"), "config.json nests too deep");
}

}  // namespace
