// The game's allocator, "FMemory.Realloc" and "FMemory.Free", with an account
// of live blocks. Freeing or reallocating a block it did not hand out is a
// contract violation (see Fail in Names.h).
#pragma once

#include <cstddef>

namespace sim {

void* Realloc(void* block, std::size_t size);
void Free(void* block);

// Blocks handed out and not yet freed.
std::size_t LiveBlocks();

}  // namespace sim
