#include "tools/check/Check.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <utility>

#include "orvanel/core/AsciiCase.h"
#include "orvanel/core/ConfigText.h"
#include "orvanel/core/Files.h"
#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/NameDistance.h"
#include "sandbox/game/AssetCatalogue.h"
#include "tools/check/CheckRun.h"
#include "tools/check/Commands.h"
#include "tools/check/Features.h"
#include "tools/check/JsonPlaces.h"
#include "tools/check/Loading.h"
#include "tools/check/Schema.h"
#include "tools/check/SyntaxCause.h"
#include "tools/check/Whitelists.h"

using nlohmann::json;

namespace check {

namespace {

// Where the number that `what` quotes ("... parsing '1e400'") stands in `text`
// as a value of its own; 0 when it is not found.
std::size_t OffsetOfNumber(std::string_view text, std::string_view what) {
  const std::size_t open = what.find('\'');
  const std::size_t close = what.rfind('\'');
  if (open == std::string_view::npos || close <= open + 1) return 0;
  const std::string_view number = what.substr(open + 1, close - open - 1);
  const auto delimits = [](char c) { return std::string_view(" \t\r\n,:[]{}").find(c) != std::string_view::npos; };
  for (std::size_t at = text.find(number); at != std::string_view::npos; at = text.find(number, at + 1)) {
    const bool starts = at == 0 || delimits(text[at - 1]);
    const bool ends = at + number.size() == text.size() || delimits(text[at + number.size()]);
    if (starts && ends) return at;
  }
  return 0;
}

// Unknown keys at every level, with the nearest known key; unknown command keys.
void CheckUnknownKeys(CheckRun& run) {
  for (const UnknownKey& unknown : FindUnknownKeys(run.config, ConfigSchema())) {
    const std::string nearest = NearestWord(unknown.key, unknown.known);
    const std::string hint = nearest.empty() ? std::string() : "did you mean " + Quoted(nearest) + "?";
    const bool command = unknown.pointer == "/Commands";
    run.Add("warning", unknown.pointer + PointerToken(unknown.key),
            command ? "unknown command key " + Quoted(unknown.key) + ": no command reads this entry"
                    : "unknown key " + Quoted(unknown.key) + " is ignored",
            hint, true);
  }
}

void CheckRepeatedKeys(CheckRun& run) {
  for (const RepeatedKey& repeat : run.places.repeats) {
    const std::string key = json::json_pointer(repeat.pointer).back();
    run.diagnostics.push_back({"warning", run.file, repeat.ignored.line, repeat.ignored.column, repeat.pointer,
                               "duplicate key " + Quoted(key) + ": this value is ignored, the one at line " +
                                   std::to_string(repeat.kept.line) + ", column " + std::to_string(repeat.kept.column) +
                                   " is read",
                               ""});
  }
}

// The parse of load; false, with the error (and a note of its likely cause)
// among the findings, when it refuses the text.
bool Parse(CheckRun& run) {
  try {
    run.config = ParseConfigText(run.text);
    return true;
  } catch (const json::parse_error& error) {
    const std::size_t stop = error.byte > 0 ? error.byte - 1 : 0;
    const TextPlace place = PlaceOfOffset(run.text, stop);
    run.diagnostics.push_back(
        {"error", run.file, place.line, place.column, "", JsonErrorReason(error.what()), kRefused});
    // A line of its own after the error, at the place of the fix.
    if (const std::optional<SyntaxCause> cause = LikelySyntaxCause(run.text, stop, error.what())) {
      const TextPlace fix = PlaceOfOffset(run.text, cause->offset);
      run.diagnostics.push_back({"note", run.file, fix.line, fix.column, "", cause->message, ""});
    }
  } catch (const json::out_of_range& error) {
    // A number beyond a double's range; the library names the number, not its place.
    const TextPlace place = PlaceOfOffset(run.text, OffsetOfNumber(run.text, error.what()));
    run.diagnostics.push_back(
        {"error", run.file, place.line, place.column, "", JsonErrorReason(error.what()), kRefused});
  } catch (const std::exception& error) {
    run.diagnostics.push_back({"error", run.file, 1, 1, "", error.what(), kRefused});
  }
  return false;
}

// The length of the start two words share, letters compared without regard to case.
std::size_t SharedStart(const std::string& a, const std::string& b) {
  std::size_t length = 0;
  while (length < a.size() && length < b.size() && AsciiLower(a[length]) == AsciiLower(b[length])) ++length;
  return length;
}

}  // namespace

std::string NearestWord(const std::string& word, const std::vector<std::string>& known) {
  std::string nearest;
  std::size_t best = 0;
  for (const std::string& candidate : known) {
    const std::size_t distance = NameDistance(word, candidate);
    if (!NearEnough(distance, candidate)) continue;
    // Of two as near, the one that shares the longer start ("Quanity": "quantity").
    if (nearest.empty() || distance < best ||
        (distance == best && SharedStart(word, candidate) > SharedStart(word, nearest))) {
      nearest = candidate;
      best = distance;
    }
  }
  return nearest;
}

Catalogue LoadCatalogue(const std::string& world_file) {
  std::ifstream file(world_file, std::ios::binary);
  if (!file.is_open()) throw std::runtime_error("cannot read the world file " + world_file);
  json description;
  try {
    description = json::parse(file);
  } catch (const json::exception& error) {
    throw std::runtime_error(world_file + ": " + JsonErrorWithPlace(error.what()));
  }
  if (!description.is_object()) throw std::runtime_error(world_file + ": a world file must hold one JSON object");
  Catalogue catalogue;
  if (!description.contains("assets")) return catalogue;
  sim::AssetCatalogue assets;
  try {
    assets = sim::ReadAssetCatalogue(description["assets"]);
  } catch (const std::exception& error) {
    throw std::runtime_error(world_file + ": " + error.what());
  }
  catalogue.items.insert(assets.items.begin(), assets.items.end());
  catalogue.creatures.insert(assets.creatures.begin(), assets.creatures.end());
  catalogue.any = assets.any.value_or(false);
  return catalogue;
}

std::vector<Diagnostic> CheckConfigText(const std::string& file, std::string_view text, const Catalogue* catalogue) {
  CheckRun run;
  run.file = file;
  run.text = text;
  run.catalogue = catalogue;
  if (!Parse(run)) return run.diagnostics;
  run.readable = PluginReadable(run.config);
  run.places = ScanJsonPlaces(text);
  CheckLoad(run);
  CheckSomethingIsOffered(run);
  CheckUnknownKeys(run);
  CheckRepeatedKeys(run);
  CheckCommands(run);
  CheckFeatures(run);
  std::stable_sort(run.diagnostics.begin(), run.diagnostics.end(), [](const Diagnostic& a, const Diagnostic& b) {
    if (a.severity != b.severity) return a.severity == "error";
    return std::pair(a.line, a.column) < std::pair(b.line, b.column);
  });
  return run.diagnostics;
}

std::vector<Diagnostic> CheckConfigFile(const std::string& file, const Catalogue* catalogue) {
  // As the plugin opens it: only a regular file, which cannot block.
  const std::optional<std::string> text = ReadRegularFile(file);
  if (!text) return {{"error", file, 1, 1, "", "cannot read the file", kRefused}};
  return CheckConfigText(file, *text, catalogue);
}

std::string FormatText(const Diagnostic& diagnostic) {
  std::string line = diagnostic.file + ":" + std::to_string(diagnostic.line) + ":" + std::to_string(diagnostic.column) +
                     ": " + diagnostic.severity + ": ";
  if (!diagnostic.pointer.empty()) line += diagnostic.pointer + ": ";
  line += diagnostic.message;
  if (!diagnostic.hint.empty()) line += "; " + diagnostic.hint;
  return line;
}

nlohmann::ordered_json FormatJson(const std::vector<Diagnostic>& diagnostics) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const Diagnostic& each : diagnostics)
    list.push_back({{"severity", each.severity},
                    {"file", each.file},
                    {"line", each.line},
                    {"column", each.column},
                    {"pointer", each.pointer},
                    {"message", each.message},
                    {"hint", each.hint}});
  return list;
}

int ExitStatus(const std::vector<Diagnostic>& diagnostics) {
  int status = 0;
  for (const Diagnostic& each : diagnostics)
    status = std::max(status, each.severity == "error" ? 2 : each.severity == "warning" ? 1 : 0);
  return status;
}

}  // namespace check
