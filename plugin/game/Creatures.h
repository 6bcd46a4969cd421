// The game world's creatures, walked once through the game's own actor list:
// the health survey and the despawn command both go through it. Nothing of
// the walk outlives it; the list's storage goes back to the game at its end.
#pragma once

#include "orvanel/host/Engine.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"

// Calls `visit` with each creature actor of `world`, in the order of the game's
// actor list. A caller resolves the functions its visit calls before the walk.
template <typename Visit>
void ForEachCreature(UWorld* world, Visit&& visit) {
  UClass* creature_class = GameFunction(APrimalDinoCharacterGetPrivateStaticClass())();
  // The game fills the array from its own allocator; the storage goes back to
  // it when the array is emptied or goes out of scope.
  TArray<AActor*> actors;
  GameFunction(UGameplayStaticsGetAllActorsOfClass())(world, creature_class, &actors);
  for (AActor* actor : actors) visit(actor);
  actors.Empty();
}
