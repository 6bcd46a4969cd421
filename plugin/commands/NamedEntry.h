// The first steps of each catalogue command: the name typed after the command,
// its element in the catalogue of the command's entry, and that element's read
// stage. What the steps end in is noted in the outcome and, where due, answered.
#pragma once

#include <functional>

#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"

// Finds the element named by the line's second word in the catalogue of the
// context's entry and hands it to `read`, which throws when it fails to read.
// False, with `outcome` noted, when the line names nothing, the element is
// missing (answered kTemplateMissingReply), `read` or the entry's use limits
// threw (answered kTemplateFaultyReply), or the caller may not use the entry now
// (MayUseEntry); the command then does nothing more.
bool ReadNamedEntry(const CommandContext& context, CommandOutcome& outcome,
                    const std::function<void(const nlohmann::json&)>& read);
