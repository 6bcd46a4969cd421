// A thousand cycles of load, reload, every command and unload on the example
// server and world, the audit lines going to a file as well, with nothing kept
// by the recorder as in the program: the game allocator's blocks stay where
// they were, the heap stops growing and no file is left open.
#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sandbox/game/Memory.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"
#include "support/PluginTest.h"

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

using nlohmann::json;

namespace {

std::string ReadExample(const std::filesystem::path& path) {
  std::ifstream file(std::filesystem::path(ORVANEL_EXAMPLES_DIR) / path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Bytes the process holds allocated now (under AddressSanitizer, its own count).
std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#elif defined(_WIN32)
  return 0;  // the C runtime gives no cheap count; game blocks are still checked
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

// Descriptors the process holds open (on Linux; elsewhere 0).
std::size_t OpenDescriptors() {
#if defined(__linux__)
  const std::filesystem::directory_iterator descriptors("/proc/self/fd");
  return static_cast<std::size_t>(std::distance(begin(descriptors), end(descriptors)));
#else
  return 0;
#endif
}

// AddressSanitizer keeps a few hundred bytes of its own bookkeeping for every
// load of a library, which its count includes; the plain build allows none.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kHeapGrowthBound = 512 * 1024;
#else
constexpr std::size_t kHeapGrowthBound = 64 * 1024;
#endif

class SoakTest : public PluginTest {};

TEST_F(SoakTest, AThousandCyclesKeepGameBlocksAndTheHeapFlat) {
  json config = json::parse(ReadExample("server/TalvexApi/Plugins/Orvanel/config.json"));
  config["Features"]["AuditLog"]["File"] = "audit/orvanel-audit.log";
  WriteConfig(config);
  const json world = json::parse(ReadExample("worlds/example.json"));
  sim::SetKeeping(false);
  constexpr int kCycles = 1000;
  constexpr int kSettled = 100;
  std::size_t settled_heap = 0;
  std::size_t settled_descriptors = 0;
  const std::size_t blocks = sim::LiveBlocks();
  for (int cycle = 0; cycle < kCycles && !HasFailure(); ++cycle) {
    // The world anew each cycle, so that what the commands made does not pile up.
    sim::ResetWorld();
    AddWorld(world);
    LoadPlugin();
    Console("Alice", "reloadtestconfig");
    Chat("Alice", "/health");
    Console("Alice", "health");
    Console("Alice", "givekit builder");
    Console("Alice", "spawngroup raptorpack");
    Console("Bob", "tpto RiverBend");
    UnloadPlugin();
    ASSERT_EQ(sim::LiveBlocks() - sim::WorldHeldBlocks(), blocks) << "after cycle " << cycle;
    if (cycle == kSettled) {
      settled_heap = HeapInUse();
      settled_descriptors = OpenDescriptors();
    }
  }
  sim::ResetWorld();
  const std::size_t grown = HeapInUse() - std::min(HeapInUse(), settled_heap);
  EXPECT_LT(grown, kHeapGrowthBound) << "the heap grew by " << grown << " bytes over " << kCycles - kSettled
                                     << " cycles";
  EXPECT_EQ(OpenDescriptors(), settled_descriptors);
  EXPECT_TRUE(sim::Events().empty());
  EXPECT_TRUE(sim::Calls().empty());
}

}  // namespace
