// The reload command: config.json read again, every entry checked as the next
// load will check it, and the configuration replaced whole only when all of it
// reads; what only a load applies is named, never claimed.
#include <string>
#include <vector>

#include "orvanel/commands/Commands.h"
#include "orvanel/run/Config.h"
#include "orvanel/run/Logger.h"
#include "orvanel/run/Reply.h"

CommandOutcome ReloadConfigCommand(const CommandContext& context) {
  std::vector<std::string> unapplied;
  context.replaceConfig(ReloadConfigState(context.config, ReadConfigFile(context.config.path), &unapplied));
  SendReply(context.caller, SystemSender(), "Test config reloaded!");
  if (!unapplied.empty()) {
    std::string text = "Not applied until the plugin is loaded again: ";
    for (std::size_t at = 0; at < unapplied.size(); ++at) text += (at == 0 ? "" : ", ") + unapplied[at];
    text += ".";
    if (GetLogger()) GetLogger()->warn("{}", text);
    SendUtf8Reply(context.caller, SystemSender(), "{}", text);
  }
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  return outcome;
}
