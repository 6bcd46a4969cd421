// The game's wall clock: "FDateTime.UtcNow" tells the world's clock, which
// stands still but for the sandbox's `wait`.
#include "orvanel/game/WallClock.h"
#include "orvanel/host/Engine.h"
#include "sandbox/game/Names.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

FDateTime* UtcNow(FDateTime* now) {
  RecordCall("FDateTime.UtcNow", {});
  now->Ticks = kUnixEpochTicks + GetWorld().clockMs * 10000;
  return now;
}

const bool time_members_registered = [] {
  RegisterFunction("FDateTime.UtcNow", &UtcNow);
  return true;
}();

}  // namespace
}  // namespace sim
