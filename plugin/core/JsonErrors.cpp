#include "orvanel/core/JsonErrors.h"

#include <array>
#include <utility>

namespace {

using Words = std::pair<std::string_view, std::string_view>;

// The parser's names of what it found or expected, in plain words.
constexpr std::array<Words, 7> kTokenWords = {{{"string literal", "a text in quotes"},
                                               {"number literal", "a number"},
                                               {"true literal", "true"},
                                               {"false literal", "false"},
                                               {"null literal", "null"},
                                               {"end of input", "the end of the text"},
                                               {"'[', '{', or a literal", "a value"}}};

// What the parser expected, where it names one, said as what should stand there.
constexpr std::array<Words, 6> kExpectedWords = {{{"string literal", "a key in double quotes"},
                                                  {"'}'", "',' or '}'"},
                                                  {"']'", "',' or ']'"},
                                                  {"':'", "':'"},
                                                  {"'[', '{', or a literal", "a value"},
                                                  {"end of input", "the end of the text"}}};

// The lexer's faults, by how their text starts, in plain words; the rest of the text follows.
constexpr std::array<Words, 6> kLexerWords = {
    {{"invalid literal", "found a word or character that JSON does not know"},
     {"invalid string: missing closing quote", "a text in quotes has no closing quote"},
     {"invalid string: ill-formed UTF-8 byte", "a text in quotes holds a byte that is not UTF-8"},
     {"invalid string: forbidden character after backslash",
      "a text in quotes has a backslash before a character that takes none"},
     {"invalid string: ", "in a text in quotes: "},
     {"invalid number; ", "in a number: "}}};

std::string_view Find(std::string_view name, const auto& table) {
  for (const auto& [library, plain] : table)
    if (name == library) return plain;
  return name;
}

// "syntax error while parsing object key - unexpected '}'; expected string
// literal" as "found '}' where a key in double quotes should be".
std::string PlainSyntaxError(std::string_view reason) {
  constexpr std::string_view kProblem = " - ";
  constexpr std::string_view kUnexpected = "unexpected ";
  constexpr std::string_view kExpected = "; expected ";
  const std::size_t dash = reason.find(kProblem);
  if (dash == std::string_view::npos) return std::string(reason);
  std::string_view problem = reason.substr(dash + kProblem.size());
  std::string_view expected;
  for (const auto& [library, plain] : kExpectedWords)
    if (problem.ends_with(std::string(kExpected) + std::string(library))) {
      expected = plain;
      problem.remove_suffix(kExpected.size() + library.size());
      break;
    }
  std::string plain;
  if (problem.starts_with(kUnexpected)) {
    plain = "found " + std::string(Find(problem.substr(kUnexpected.size()), kTokenWords));
  } else {
    problem = problem.substr(0, problem.find("; last read: "));
    plain = problem;
    for (const auto& [library, words] : kLexerWords)
      if (problem.starts_with(library)) {
        plain = std::string(words) + std::string(problem.substr(library.size()));
        break;
      }
  }
  if (!expected.empty()) plain += " where " + std::string(expected) + " should be";
  return plain;
}

// A reason of the library, without id or place, in plain words; other texts unchanged.
std::string PlainReason(std::string_view reason) {
  constexpr std::string_view kTypeMust = "type must be ";
  constexpr std::string_view kButIs = ", but is ";
  constexpr std::string_view kCannotUse = "cannot use ";
  constexpr std::string_view kWith = "() with ";
  constexpr std::string_view kOverflow = "number overflow parsing '";
  if (reason.starts_with(kTypeMust)) {
    const std::size_t but = reason.find(kButIs);
    if (but != std::string_view::npos)
      return "must be " + PlainTypeWords(reason.substr(kTypeMust.size(), but - kTypeMust.size())) + ", not " +
             PlainTypeWords(reason.substr(but + kButIs.size()));
  }
  // A keyed read of a value that is no object.
  if (reason.starts_with(kCannotUse)) {
    const std::size_t with = reason.find(kWith);
    if (with != std::string_view::npos)
      return "must be " + PlainTypeWords("object") + ", not " + PlainTypeWords(reason.substr(with + kWith.size()));
  }
  if (reason.starts_with(kOverflow) && reason.ends_with('\'')) {
    const std::string_view number = reason.substr(kOverflow.size(), reason.size() - kOverflow.size() - 1);
    return "the number " + std::string(number) + " is beyond about 1.8e308, the largest that can be read";
  }
  if (reason.starts_with("syntax error")) return PlainSyntaxError(reason);
  return std::string(reason);
}

// The library's text without its id, split into its place ("/pointer", "line
// 1, column 2", or none) and its reason.
std::pair<std::string, std::string_view> PlaceAndReason(std::string_view what) {
  what = WithoutJsonErrorId(what);
  if (what.starts_with("() ")) return {std::string(), what.substr(3)};
  if (what.starts_with("(/")) {
    const std::size_t end = what.find(") ");
    if (end != std::string_view::npos) return {std::string(what.substr(1, end - 1)), what.substr(end + 2)};
  }
  constexpr std::string_view kParseErrorAt = "parse error at ";
  if (what.starts_with("parse error")) {
    const std::size_t colon = what.find(": ");
    if (colon == std::string_view::npos) return {std::string(), what};
    const std::string_view place =
        what.starts_with(kParseErrorAt) ? what.substr(kParseErrorAt.size(), colon - kParseErrorAt.size()) : "";
    return {std::string(place), what.substr(colon + 2)};
  }
  return {std::string(), what};
}

}  // namespace

std::string_view WithoutJsonErrorId(std::string_view what) {
  if (!what.starts_with("[json.exception.")) return what;
  const std::size_t close = what.find("] ");
  if (close != std::string_view::npos) what.remove_prefix(close + 2);
  return what;
}

std::string PlainTypeWords(std::string_view type_name) {
  constexpr std::array<Words, 6> kTypeWords = {{{"null", "null"},
                                                {"boolean", "true or false"},
                                                {"number", "a number"},
                                                {"string", "a text in quotes"},
                                                {"array", "a list in [ ]"},
                                                {"object", "an object in { }"}}};
  return std::string(Find(type_name, kTypeWords));
}

std::string JsonErrorReason(std::string_view what) {
  if (!what.starts_with("[json.exception.")) return std::string(what);
  return PlainReason(PlaceAndReason(what).second);
}

std::string JsonErrorWithPlace(std::string_view what) {
  if (!what.starts_with("[json.exception.")) return std::string(what);
  const auto [place, reason] = PlaceAndReason(what);
  return place.empty() ? PlainReason(reason) : place + ": " + PlainReason(reason);
}
