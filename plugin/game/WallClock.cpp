#include "orvanel/game/WallClock.h"

#include "orvanel/host/Engine.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"

int64_t WallClockMs() {
  // A static function whose record has constructors returns it through a
  // pointer the caller passes, and gives that pointer back.
  FDateTime now;
  GameFunction(FDateTimeUtcNow())(&now);
  const int64_t ticks = now.Ticks - kUnixEpochTicks;
  return ticks / 10000 - (ticks % 10000 < 0 ? 1 : 0);
}
