// The save-location command: "<command> NAME" stores where the caller stands as
// the teleport command's location NAME in config.json, "<command> NAME replace"
// over an existing one. The file keeps every other byte as the operator wrote it.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/ConfigWrite.h"
#include "orvanel/core/ConfigState.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"
#include "orvanel/host/Text.h"
#include "orvanel/run/Arguments.h"
#include "orvanel/run/Reply.h"

namespace {

// The teleport command's row: its key and the member of its locations.
const CommandRow& TeleportRow() {
  for (const CommandRow& row : kCommandRows)
    if (row.catalogue.kind == CatalogueKind::TeleportLocations) return row;
  throw std::logic_error("the command table has no teleport command");
}

// Why `name` cannot be a location's name, or nothing: the teleport command
// finds a location by the name as the game narrows what is typed, so a name
// must come back from that narrowing as it went in.
std::optional<std::string> NameFault(const FString& typed, const std::string& name) {
  if (Utf8Text(typed) != name) return "only ASCII letters, digits and punctuation can be typed back";
  for (const char character : name)
    if (static_cast<unsigned char>(character) < 0x21 || character == 0x7f) return "it holds a control character";
  return std::nullopt;
}

}  // namespace

CommandOutcome SaveLocationCommand(const CommandContext& context) {
  TArray<FString> pieces;
  const int32_t words = SplitArguments(context.line, pieces);
  const bool replace = words == 3 && NarrowText(pieces[2]) == "replace";
  if (words < 2 || words > 3 || (words == 3 && !replace)) {
    SendUtf8Reply(context.caller, SystemSender(),
                  "Usage: {0} NAME, or {0} NAME replace; a location's name has no spaces.", context.settings.command);
    return Refusal("usage");
  }
  const std::string name = NarrowText(pieces[1]);
  if (const std::optional<std::string> fault = NameFault(pieces[1], name)) {
    SendUtf8Reply(context.caller, SystemSender(), "{} cannot be a location's name: {}.", Utf8Text(pieces[1]), *fault);
    return Refusal("unusable name");
  }

  if (std::optional<CommandOutcome> refusal = CheckConfigUnchanged(context)) return std::move(*refusal);

  const CommandRow& teleport = TeleportRow();
  const std::vector<std::string> at{"Commands", teleport.key, teleport.catalogue.member};
  const nlohmann::json* locations = FindMemberAt(context.config.document, at);
  if (!replace && locations != nullptr && locations->is_object() && locations->contains(name)) {
    SendUtf8Reply(context.caller, SystemSender(), "{0} exists already; {1} {0} replace replaces it.", name,
                  context.settings.command);
    return Refusal("exists");
  }

  const FVector position = GameField(context.caller, AActorDefaultActorLocation());
  // Each number in its shortest form that reads back as the same float.
  const std::string value = fmt::format(R"({{"x": {}, "y": {}, "z": {}}})", position.X, position.Y, position.Z);
  // Commands register at load only: a location saved for a teleport command
  // that is not registered waits for the next load.
  const bool teleport_registered = Registers(context.config.settings.Command(teleport.key));
  if (std::optional<CommandOutcome> failure = WriteConfigMember(context, at, name, value)) return std::move(*failure);

  SendUtf8Reply(context.caller, SystemSender(), "Saved {} at {}, {}, {}.", name, position.X, position.Y, position.Z);
  if (!teleport_registered)
    SendUtf8Reply(context.caller, SystemSender(),
                  "No command uses {} until {} is registered, at a load of the plugin with its \"Command\".", name,
                  teleport.key);
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  return outcome;
}
