#include "sandbox/game/Memory.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "sandbox/game/Names.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

std::unordered_map<void*, std::size_t>& Blocks() {
  static std::unordered_map<void*, std::size_t> blocks;
  return blocks;
}

std::string Describe(void* block) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", block);
  return text;
}

}  // namespace

void* Realloc(void* block, std::size_t size) {
  if (block != nullptr && Blocks().count(block) == 0)
    Fail("FMemory.Realloc of " + Describe(block) + ", a block the game's allocator never handed out or already freed");
  if (size == 0) {
    Free(block);
    return nullptr;
  }
  void* grown = std::realloc(block, size);
  if (grown == nullptr) Fail("FMemory.Realloc could not allocate " + std::to_string(size) + " bytes");
  if (block != nullptr) Blocks().erase(block);
  Blocks()[grown] = size;
  return grown;
}

void Free(void* block) {
  if (block == nullptr) return;
  if (Blocks().erase(block) == 0) {
    // Freeing runs in destructors, which cannot unwind: the block is left alone.
    Report("FMemory.Free of " + Describe(block) + ", a block the game's allocator never handed out or already freed");
    return;
  }
  std::free(block);
}

std::size_t LiveBlocks() { return Blocks().size(); }

namespace {

// The allocator as the plugin reaches it: the world's fault switch may refuse
// a block, and then, as realloc does, the old block stays as it was.
void* PluginRealloc(void* block, std::size_t size) {
  if (size > GetWorld().faults.allocationLimit) return nullptr;
  return Realloc(block, size);
}

const bool allocator_registered = [] {
  Blocks();  // built first, so that it outlives the world's own static teardown
  RegisterFunction("FMemory.Realloc", &PluginRealloc);
  RegisterFunction("FMemory.Free", &Free);
  return true;
}();
}  // namespace

}  // namespace sim
