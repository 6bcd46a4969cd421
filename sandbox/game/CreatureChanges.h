// What the game does to a creature behind the plugin's back, done by a tester:
// it dies, it is removed from the world, or another team tames it. The sandbox
// commands `slay ID`, `remove ID` and `retame ID TEAM`.
#pragma once

#include <cstdint>
#include <string>

#include "sandbox/game/Objects.h"

namespace sim {

// The creature of the world with the id that `text` writes in decimal, as
// `dump` and `show` give it; null when the text is no id or no creature has it.
Creature* FindCreatureByText(const std::string& text);

// Takes the creature out of the world: it leaves the actor list, and what it
// held in game memory is released; its own memory stays, as a destroyed
// actor's does until collected.
void RemoveFromWorld(Creature& creature);

// The sandbox command `verb` ("slay", "remove" or "retame") with its arguments;
// returns what to print.
std::string CreatureChangeCommand(const std::string& verb, const std::string& arguments);

}  // namespace sim
