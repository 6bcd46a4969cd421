// The sandbox as the fuzz targets drive it: a host on a scratch server
// directory with the example world, records passed on to nobody and kept
// nowhere, and a check after each input that the game allocator's blocks are
// back where they were. A contract violation the game detects stops the run.
#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

#include "sandbox/game/Objects.h"

// Starts the host once; later calls do nothing.
void StartFuzzSandbox();

// config.json of the scratch server directory.
void WriteFuzzConfig(std::string_view text);
const std::string& ExampleConfig();

// The example world anew. Called after an input, so that each input meets the
// same world and everything it made is freed within its own run: libFuzzer's
// leak check runs after any input that leaves more allocations than it freed.
void RemakeFuzzWorld();
sim::Controller* FuzzPlayer(std::size_t index);

// Live game blocks not owned by world objects; stops the run when `before`
// differs from the count now.
std::size_t GameBlocks();
void CheckGameBlocks(std::size_t before, const char* after);

// Runs `step`, letting any std::exception end it as the host would.
template <typename Step>
void AsTheHostRunsIt(Step step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}
