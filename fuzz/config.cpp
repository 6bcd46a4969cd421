// config.json as any bytes: read at load, then read again by the reload command
// over a plugin loaded with the example's command texts. After a load that took the file, every
// template and location it names is used by its command; the reload refuses
// exactly the files that load refuses and keeps the same entries, so they are
// not used a second time.
#include <cmath>
#include <cstdint>
#include <string>

#include "FuzzSandbox.h"
#include "orvanel/commands/Commands.h"
#include "orvanel/core/Settings.h"
#include "orvanel/load/Plugin.h"
#include "sandbox/game/Utf8.h"

namespace {

// So many names per catalogue at most, to keep one input's work small.
constexpr int kNamesPerCatalogue = 8;
// Counts are honoured as written, so a group of a billion creatures takes as
// long as it takes; entries with larger counts are only looked up, not used.
constexpr double kLargestCount = 16;

bool HasLargeCount(const nlohmann::json& value) {
  if (value.is_object()) {
    for (const auto& [key, member] : value.items()) {
      if (key == "count" && member.is_number() && !(std::abs(member.get<double>()) <= kLargestCount)) return true;
      if (HasLargeCount(member)) return true;
    }
  } else if (value.is_array()) {
    for (const nlohmann::json& element : value)
      if (HasLargeCount(element)) return true;
  }
  return false;
}

// Runs the command of row `index` as the host's call of its registration
// would, through every stage of a run, on the loaded configuration.
void Type(std::size_t index, const std::string& line) {
  FString text(sim::FromUtf8(line));
  AsTheHostRunsIt([&] { RunCommand(index, reinterpret_cast<AShooterPlayerController*>(FuzzPlayer(0)), &text); });
}

// Every name of every catalogue, as a player would type it, plus one that is not there.
void UseEveryEntry() {
  for (std::size_t index = 0; index < kCommandCount; ++index) {
    const CommandRow& row = kCommandRows[index];
    const CommandSettings* settings = LoadedConfig().settings.Command(row.key);
    if (!row.HasCatalogue() || settings == nullptr) continue;
    const nlohmann::json* names = nullptr;
    if (settings->entry.is_object() && settings->entry.contains(row.catalogue.member))
      names = &settings->entry[row.catalogue.member];
    int used = 0;
    if (names != nullptr && names->is_object())
      for (const auto& [name, value] : names->items()) {
        if (used++ == kNamesPerCatalogue) break;
        if (HasLargeCount(value)) continue;
        Type(index, "command " + name);
      }
    Type(index, "command");
  }
}

// The example's commands with their texts alone: the plugin the reload path
// starts from, as small as it can be so that reading it costs little.
const std::string& BareConfig() {
  static const std::string text = [] {
    const nlohmann::json example = nlohmann::json::parse(ExampleConfig());
    nlohmann::json bare = {{"Commands", nlohmann::json::object()}};
    for (const auto& [key, entry] : example["Commands"].items())
      bare["Commands"][key] = {{"Command", entry["Command"]}};
    return bare.dump();
  }();
  return text;
}

void ReloadAs(const std::string& line) {
  for (std::size_t index = 0; index < kCommandCount; ++index)
    if (kCommandHandlers[index] == ReloadConfigCommand) Type(index, line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartFuzzSandbox();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t blocks = GameBlocks();

  WriteFuzzConfig(text);
  bool loaded = false;
  AsTheHostRunsIt([&] {
    Load();
    loaded = true;
  });
  // A failed load leaves the settings of the load before, which are not this input's.
  if (loaded) UseEveryEntry();
  AsTheHostRunsIt(Unload);
  CheckGameBlocks(blocks, "a load of the input");

  WriteFuzzConfig(BareConfig());
  AsTheHostRunsIt(Load);
  WriteFuzzConfig(text);
  ReloadAs("reloadtestconfig");
  AsTheHostRunsIt(Unload);
  CheckGameBlocks(blocks, "a reload of the input");
  if (loaded) RemakeFuzzWorld();
  return 0;
}
