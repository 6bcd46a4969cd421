#include "orvanel/game/PlacesBefore.h"

#include <map>

namespace {

// Each player's place with the number of the move that left it, and the
// players by that number, oldest first, so that the oldest goes first.
struct PlaceMemory {
  std::map<uint64_t, std::pair<Place, uint64_t>> places;
  std::map<uint64_t, uint64_t> byMove;
  uint64_t moves = 0;
};

PlaceMemory& PlacesHeld() {
  static PlaceMemory memory;
  return memory;
}

}  // namespace

void RememberPlaceBefore(uint64_t steam_id, Place place) {
  PlaceMemory& memory = PlacesHeld();
  (void)TakePlaceBefore(steam_id);
  const uint64_t move = ++memory.moves;
  memory.places[steam_id] = {place, move};
  memory.byMove[move] = steam_id;
  while (memory.places.size() > kRememberedPlaces) {
    memory.places.erase(memory.byMove.begin()->second);
    memory.byMove.erase(memory.byMove.begin());
  }
}

std::optional<Place> TakePlaceBefore(uint64_t steam_id) {
  PlaceMemory& memory = PlacesHeld();
  const auto found = memory.places.find(steam_id);
  if (found == memory.places.end()) return std::nullopt;
  const Place place = found->second.first;
  memory.byMove.erase(found->second.second);
  memory.places.erase(found);
  return place;
}

void ForgetPlacesBefore() { PlacesHeld() = PlaceMemory{}; }
