// The first check of each catalogue command: the name typed after the command,
// its element in the catalogue of the command's entry, read whole by its read
// stage, for the checks after it and the handler.
#pragma once

#include <optional>

#include "orvanel/run/Run.h"

// Fills the context's entry from the line's second word. Nothing for a command
// without a catalogue; ends the run when the line names nothing (NoSuchTemplate),
// the element is missing (answered kTemplateMissingReply), or the element, its
// whitelist or its use limits fail to read (FailedToRead, answered kTemplateFaultyReply).
std::optional<CommandOutcome> FindNamedEntry(Run& run);
