// One run of the checker over one file: the text, its value as written and as the
// plugin's reads take it, the places of its values, and the findings the checks
// add, each placed at its value (or key) by JSON pointer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/check/Check.h"
#include "tools/check/JsonPlaces.h"

namespace check {

// The hint of every fault that makes load and reload refuse the file.
inline constexpr const char* kRefused = "load and reload refuse the whole file";

// NOLINTNEXTLINE(bugprone-exception-escape): its implicit moves are noexcept, as the JSON value's are.
struct CheckRun {
  std::string file;
  std::string_view text;
  const Catalogue* catalogue = nullptr;
  // The file's value as written.
  nlohmann::json config;
  // The same, as the plugin's settings reads are handed it (see PluginReadable).
  nlohmann::json readable;
  JsonPlaces places;
  std::vector<Diagnostic> diagnostics;

  void Add(const char* severity, const std::string& pointer, std::string message, std::string hint = {},
           bool at_key = false);
  void Error(const std::string& pointer, std::string message, std::string hint = {});
  void Warn(const std::string& pointer, std::string message, std::string hint = {});
  // The value at `pointer` in the file as written, or null when there is none.
  const nlohmann::json* ValueAt(const std::string& pointer) const;
};

// A text as JSON writes it, in double quotes; bytes that are not UTF-8 as U+FFFD.
std::string Quoted(const std::string& text);
// A value as JSON writes it.
std::string Shown(const nlohmann::json& value);

}  // namespace check
