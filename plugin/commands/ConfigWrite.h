// The one way a command writes config.json: only over the bytes the running
// configuration was read from, one member changed with every other byte kept,
// atomically, and the written file applied at once as a reload applies it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "orvanel/core/Outcome.h"
#include "orvanel/run/Run.h"

// Nothing when config.json holds exactly what the configuration was read
// from; otherwise the caller is answered and the refusal returned.
std::optional<CommandOutcome> CheckConfigUnchanged(const CommandContext& context);

// Sets the member `name` of the object at `path` to `value` (JSON text) in
// config.json and runs on the file so written. Nothing when it was written;
// otherwise the caller is answered and the failure returned.
std::optional<CommandOutcome> WriteConfigMember(const CommandContext& context, const std::vector<std::string>& path,
                                                const std::string& name, const std::string& value);
