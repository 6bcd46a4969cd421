// config.json as any bytes: read at load, then read again by the reload command
// over a plugin loaded from the example, and after each read every template and
// location it names is used by its command.
#include <cmath>
#include <cstdint>
#include <string>

#include "FuzzSandbox.h"
#include "orvanel/commands/Commands.h"
#include "orvanel/core/Plugin.h"
#include "orvanel/core/Settings.h"
#include "sandbox/game/Recorder.h"

namespace {

using Handler = void (*)(APlayerController*, FString*, bool);

struct Catalogue {
  const char* key;
  const char* member;
  Handler handler;
};

constexpr Catalogue kCatalogues[] = {{"ItemTemplate_Console", "Templates", &ItemTemplateCommand},
                                     {"SpawnTemplate_Console", "Templates", &SpawnTemplateCommand},
                                     {"TeleportTo_Console", "Locations", &TeleportToCommand}};

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

void RunCommand(Handler handler, const std::string& line) {
  FString text(sim::FromUtf8(line));
  auto* player = reinterpret_cast<APlayerController*>(FuzzPlayer(0));
  AsTheHostRunsIt([&] { handler(player, &text, false); });
}

// Every name of every catalogue, as a player would type it, plus one that is not there.
void UseEveryEntry() {
  for (const Catalogue& catalogue : kCatalogues) {
    const CommandSettings* settings = GetCommandSettings(catalogue.key);
    if (settings == nullptr) continue;
    const nlohmann::json* names = nullptr;
    if (settings->entry.is_object() && settings->entry.contains(catalogue.member))
      names = &settings->entry[catalogue.member];
    int used = 0;
    if (names != nullptr && names->is_object())
      for (const auto& [name, value] : names->items()) {
        if (used++ == kNamesPerCatalogue) break;
        if (HasLargeCount(value)) continue;
        RunCommand(catalogue.handler, "command " + name);
      }
    RunCommand(catalogue.handler, "command");
  }
}

void ReloadAs(const std::string& line) {
  FString text(sim::FromUtf8(line));
  ReloadConfig(reinterpret_cast<APlayerController*>(FuzzPlayer(0)), &text, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartFuzzSandbox();
  RefreshFuzzWorld();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t blocks = GameBlocks();

  WriteFuzzConfig(text);
  AsTheHostRunsIt(Load);
  UseEveryEntry();
  AsTheHostRunsIt(Unload);
  CheckGameBlocks(blocks, "a load of the input");

  WriteFuzzConfig(ExampleConfig());
  AsTheHostRunsIt(Load);
  WriteFuzzConfig(text);
  AsTheHostRunsIt([] { ReloadAs("reloadtestconfig"); });
  UseEveryEntry();
  AsTheHostRunsIt(Unload);
  CheckGameBlocks(blocks, "a reload of the input");
  return 0;
}
