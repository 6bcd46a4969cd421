// Command lines as any bytes, typed by the example world's players into chat or
// the console of a plugin loaded from the example configuration. The first
// byte picks the player and chat or console; the rest is up to eight lines.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSandbox.h"
#include "orvanel/load/Plugin.h"
#include "sandbox/host/Host.h"

namespace {

constexpr int kMostLines = 8;

void LoadOnce() {
  static const bool loaded = [] {
    StartFuzzSandbox();
    WriteFuzzConfig(ExampleConfig());
    Load();
    return true;
  }();
  (void)loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  LoadOnce();
  const std::size_t blocks = GameBlocks();
  const unsigned choice = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  for (int line = 0; line < kMostLines && !rest.empty(); ++line) {
    const std::size_t end = rest.find('\n');
    const std::string text(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    sim::Controller* player = FuzzPlayer((choice >> 1) + line);
    if (((choice + line) & 1) == 0)
      sandbox::Console(player, text);
    else
      sandbox::Chat(player, text);
  }
  CheckGameBlocks(blocks, "the input's lines");
  RemakeFuzzWorld();
  return 0;
}
