// Moving players.
#include "sandbox/game/Names.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

// Moves the player's character, and so the position other commands read.
void SetPlayerPos(Object* object, float x, float y, float z) {
  auto* player = Expect<Controller>(object, classes::AShooterPlayerController, "AShooterPlayerController.SetPlayerPos");
  RecordCall("AShooterPlayerController.SetPlayerPos", {ObjectRef(player), x, y, z});
  MovePlayer(player, FVector{x, y, z});
}

const bool teleport_members_registered = [] {
  RegisterFunction("AShooterPlayerController.SetPlayerPos", &SetPlayerPos);
  return true;
}();

}  // namespace
}  // namespace sim
