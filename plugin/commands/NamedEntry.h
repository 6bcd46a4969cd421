// The first steps of each catalogue command: the name typed after the command,
// its element in the command's own entry, and that element's read stage. What
// the steps end in is noted in the running outcome and, where due, answered.
#pragma once

#include <functional>

#include <nlohmann/json.hpp>

#include "orvanel/host/Engine.h"

// Finds the element named by the line's second word in the object `member` of
// the entry of command `key` and hands it to `read`, which throws when it fails
// to read. False, with the outcome noted, when the line names nothing, the
// element is missing (answered kTemplateMissingReply) or `read` threw
// (answered kTemplateFaultyReply); the command then does nothing more.
bool ReadNamedEntry(APlayerController* player, const FString& line, const char* key, const char* member,
                    const std::function<void(const nlohmann::json&)>& read);
