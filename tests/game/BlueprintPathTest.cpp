// Asset path normalisation: the worked forms, the edge cases, agreement with
// the defining regular expression on every short input built from the tricky
// fragments, and paths far longer than any regular-expression engine survives.
#include "orvanel/core/BlueprintPath.h"
#include "orvanel/game/AssetReference.h"

#include <pthread.h>

#include <functional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "orvanel/host/TalvexApi.h"

namespace {

using namespace std::string_literals;

// The definition the scan must reproduce, matched in full up to the first NUL.
const std::regex& Definition() {
  static const std::regex pattern("^(Blueprint')?(.+?)(_C)?(')?$", std::regex::ECMAScript);
  return pattern;
}

// The core by the regular expression, or nothing when it does not match.
bool DefinedCore(const std::string& path, std::string& core) {
  std::cmatch match;
  if (!std::regex_match(path.c_str(), match, Definition())) return false;
  core = match[2].str();
  return true;
}

WideString Wide(const std::string& narrow) {
  return narrow.empty() ? WideString() : TalvexApi::Tools::ConvertToWideStr(narrow);
}

std::string Printable(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\0')
      out += "\\0";
    else if (static_cast<unsigned char>(c) >= 0x80)
      out += "\\x" + std::to_string(static_cast<unsigned char>(c));
    else
      out += c;
  }
  return "\"" + out + "\"";
}

// Every operation's result for `path` against the regular expression's core.
void ExpectAgreement(const std::string& path) {
  std::string core;
  const bool matched = DefinedCore(path, core);
  const std::string class_path = matched ? core + "_C" : "";
  const std::string reference = matched ? "Blueprint'" + core + "'" : "";
  SCOPED_TRACE("input " + Printable(path));
  EXPECT_EQ(NormalizeBlueprintPath(path, false, false), matched ? core : "");
  EXPECT_EQ(NormalizeBlueprintPath(path, false, true), class_path);
  EXPECT_EQ(NormalizeBlueprintPath(path, true, false), reference);
  EXPECT_EQ(NormalizeBlueprintPath(path, true, true), matched ? "Blueprint'" + core + "_C'" : "");
  EXPECT_EQ(ToClassPath(path), Wide(class_path));
  const FString wrapped = ToBlueprintReference(path);
  EXPECT_EQ(WideString(wrapped.View()), Wide(reference));
  if (reference.empty()) {
    EXPECT_EQ(wrapped.Data, nullptr);
    EXPECT_EQ(wrapped.ArrayNum, 0);
    EXPECT_EQ(wrapped.ArrayMax, 0);
  } else {
    EXPECT_EQ(std::size_t(wrapped.ArrayNum), Wide(reference).size() + 1);
    EXPECT_EQ(wrapped.Data[wrapped.ArrayNum - 1], 0);
  }
}

std::string Narrow(const WideString& wide) { return std::string(wide.begin(), wide.end()); }

TEST(BlueprintPathTest, EveryInputFormGivesTheSameCore) {
  for (const std::string form :
       {"Blueprint'/Game/Items/Rope.Rope'", "/Game/Items/Rope.Rope", "/Game/Items/Rope.Rope_C",
        "Blueprint'/Game/Items/Rope.Rope_C'", "/Game/Items/Rope.Rope'", "Blueprint'/Game/Items/Rope.Rope"}) {
    SCOPED_TRACE(form);
    EXPECT_EQ(Narrow(ToClassPath(form)), "/Game/Items/Rope.Rope_C");
    EXPECT_EQ(Narrow(WideString(ToBlueprintReference(form).View())), "Blueprint'/Game/Items/Rope.Rope'");
  }
}

TEST(BlueprintPathTest, EmptyInputGivesEmptyResults) {
  EXPECT_EQ(NormalizeBlueprintPath("", true, true), "");
  EXPECT_TRUE(ToClassPath("").empty());
  const FString reference = ToBlueprintReference("");
  EXPECT_EQ(reference.Data, nullptr);
  EXPECT_EQ(reference.ArrayNum, 0);
  EXPECT_EQ(reference.ArrayMax, 0);
}

TEST(BlueprintPathTest, EdgeCases) {
  const std::vector<std::pair<std::string, std::string>> class_paths = {
      {"Blueprint'", "Blueprint_C"},                      // the prefix needs a core after it
      {"blueprint'/Game/A.A'", "blueprint'/Game/A.A_C"},  // the prefix is case-sensitive
      {"A_C_C", "A_C_C"},                                 // one suffix only
      {"A_c", "A_c_C"},                                   // the suffix is case-sensitive
      {"A''", "A'_C"},                                    // one closing quote only
      {"Blueprint'Blueprint'/A.A'", "Blueprint'/A.A_C"},  // one prefix only
      {"_C", "_C_C"},                                     // a suffix alone is the core
      {"'", "'_C"},
      {"_C'", "_C_C"},
      {"Blueprint''", "'_C"},
      {"/Game/A.A\0/Game/B.B"s, "/Game/A.A_C"},  // text ends at the first NUL
      {"\0/Game/A.A"s, ""},
      {"/Game/A.A\n", ""},  // line breaks never match
      {"/Game/\rA.A", ""},
      {"/Game/A\tB.A", "/Game/A\tB.A_C"},  // other control characters do
  };
  for (const auto& [input, class_path] : class_paths) {
    SCOPED_TRACE(Printable(input));
    EXPECT_EQ(NormalizeBlueprintPath(input, false, true), class_path);
  }
  // A path already in its target form comes back unchanged.
  EXPECT_EQ(Narrow(ToClassPath("/Game/B.B_C")), "/Game/B.B_C");
  EXPECT_EQ(Narrow(WideString(ToBlueprintReference("Blueprint'/Game/B.B'").View())), "Blueprint'/Game/B.B'");
  // UTF-8 in a path reaches the wide text decoded.
  EXPECT_EQ(ToClassPath("/Game/\xC3\xA9.\xC3\xA9"), TEXT("/Game/\u00e9.\u00e9_C"));
}

// Every sequence of up to four fragments, each fragment one of the pieces the
// pattern treats specially or a plain character.
TEST(BlueprintPathTest, AgreesWithTheRegularExpressionOnAllShortInputs) {
  const std::vector<std::string> fragments = {"Blueprint'", "blueprint'", "Blueprint", "'",  "_C", "_c",
                                              "_",          "C",          "a",         "\n", "\r", "\0"s};
  std::function<void(std::string, int)> walk = [&](std::string prefix, int depth) {
    ExpectAgreement(prefix);
    if (depth == 0 || HasFailure()) return;
    for (const std::string& fragment : fragments) walk(prefix + fragment, depth - 1);
  };
  walk("", 4);
}

TEST(BlueprintPathTest, AgreesWithTheRegularExpressionOnLongerRandomInputs) {
  const std::vector<std::string> fragments = {"Blueprint'", "Blueprint'", "'",   "'",         "_C",   "_C",
                                              "_c",         "/Game/",     "A.A", "\n",        "\r",   "\0"s,
                                              "\xE9",       " ",          "\t",  "blueprint", "Blue", "print'"};
  std::mt19937 random(20240611);
  std::uniform_int_distribution<std::size_t> pick(0, fragments.size() - 1);
  std::uniform_int_distribution<int> length(5, 14);
  for (int sample = 0; sample < 20000 && !HasFailure(); ++sample) {
    std::string path;
    for (int n = length(random); n > 0; --n) path += fragments[pick(random)];
    ExpectAgreement(path);
  }
}

// Runs `body` on a thread with a 1 MiB stack, the size a game server gives its
// threads; a recursive matcher would overflow it on these inputs.
void OnSmallStack(const std::function<void()>& body) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 1 << 20), 0);
  pthread_t thread;
  auto run = [](void* argument) -> void* {
    (*static_cast<const std::function<void()>*>(argument))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&body)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

TEST(BlueprintPathTest, PathsOfSeveralMegabytes) {
  const std::string body(8u << 20, 'x');
  std::string class_path, missing, quotes, suffixes, reference;
  OnSmallStack([&] {
    class_path = NormalizeBlueprintPath("Blueprint'/Game/" + body + "_C'", false, true);
    missing = NormalizeBlueprintPath("Blueprint'/Game/" + body + "\n", false, true);
    quotes = NormalizeBlueprintPath(std::string(4u << 20, '\''), false, false);
    std::string repeated = "A";
    for (int i = 0; i < (1 << 20); ++i) repeated += "_C";
    suffixes = NormalizeBlueprintPath(repeated, false, false);
    reference = Narrow(WideString(ToBlueprintReference("/Game/" + body).View()));
  });
  EXPECT_EQ(class_path, "/Game/" + body + "_C");
  EXPECT_EQ(missing, "");
  EXPECT_EQ(quotes, std::string((4u << 20) - 1, '\''));
  EXPECT_EQ(suffixes.size(), 1 + 2 * ((1u << 20) - 1));
  EXPECT_EQ(reference, "Blueprint'/Game/" + body + "'");
}

}  // namespace
