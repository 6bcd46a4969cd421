#include "orvanel/commands/ConfigWrite.h"

#include <exception>
#include <filesystem>
#include <utility>

#include "orvanel/core/ConfigEdit.h"
#include "orvanel/core/ConfigState.h"
#include "orvanel/core/ConfigText.h"
#include "orvanel/core/Files.h"
#include "orvanel/run/Reply.h"

std::optional<CommandOutcome> CheckConfigUnchanged(const CommandContext& context) {
  // The operator's edits since the load are never written over: the file must
  // hold exactly the bytes the configuration was read from.
  const std::optional<std::string> on_disk = ReadRegularFile(context.config.path);
  if (on_disk && *on_disk == context.config.text) return std::nullopt;
  SendReply(context.caller, SystemSender(), "config.json changed since it was loaded; reload it first.");
  return Refusal("config.json changed");
}

std::optional<CommandOutcome> WriteConfigMember(const CommandContext& context, const std::vector<std::string>& path,
                                                const std::string& name, const std::string& value) {
  std::string edited;
  try {
    edited = WithMember(context.config.text, path, name, value);
    ReplaceFileAtomically(std::filesystem::path(context.config.path), edited);
  } catch (const std::exception& failure) {
    SendUtf8Reply(context.caller, SystemSender(), "config.json was not changed: {}.", failure.what());
    CommandOutcome outcome;
    outcome.kind = OutcomeKind::Failed;
    outcome.reason = failure.what();
    return outcome;
  }
  // The written file is read as a reload reads it, so that the change is
  // used at once: it differs from what was loaded by the one member.
  context.replaceConfig(ReloadConfigState(context.config, std::move(edited)));
  return std::nullopt;
}
