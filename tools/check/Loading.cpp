#include "tools/check/Loading.h"

#include <exception>
#include <optional>
#include <string>

#include "orvanel/core/CommandTable.h"
#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/Settings.h"
#include "tools/check/Whitelists.h"

using nlohmann::json;

namespace check {

namespace {

// The pointer a JSON library error names, "(/Groups/a/Inherits/0) ...", or "".
std::string FaultPlace(std::string_view what) {
  const std::string_view reason = WithoutJsonErrorId(what);
  if (!reason.starts_with("(/")) return "";
  return std::string(reason.substr(1, reason.find(')') - 1));
}

// The entry reads of load on one entry; a failing entry is narrowed to each
// member that fails alone (and a whitelist to its element at fault).
void CheckEntry(CheckRun& run, const std::string& pointer, const json& entry, bool feature) {
  const auto parse = [feature, name = json::json_pointer(pointer).back()](const json& value) {
    if (feature)
      ParseFeatureSettings(name, value);
    else
      ParseCommandSettings(value);
  };
  try {
    parse(entry);
    return;
  } catch (const std::exception& whole) {
    bool named = false;
    if (entry.is_object()) {
      for (const auto& [key, value] : entry.items()) {
        try {
          parse(json::object({{key, value}}));
        } catch (const std::exception& alone) {
          std::string at = pointer + PointerToken(key);
          std::string reason = JsonErrorReason(alone.what());
          if (key == "Whitelist" || key == "Exempt")
            if (const std::optional<ListFault> fault = SteamIdListFault(value)) {
              at += fault->place;
              reason = fault->reason;
            }
          // A group's fault is placed where the read names it.
          if (key == "Groups") at = pointer + FaultPlace(alone.what());
          run.Error(at, reason, kRefused);
          named = true;
        }
      }
    }
    if (!named) run.Error(pointer, JsonErrorReason(whole.what()), kRefused);
  }
}

}  // namespace

void CheckLoad(CheckRun& run) {
  const json& config = run.readable;
  Settings loaded;
  try {
    loaded = ReadSettings(config);
  } catch (const std::exception& error) {
    const std::size_t before = run.diagnostics.size();
    if (config.is_object()) {
      for (const char* section : {"Commands", "Features"}) {
        if (!config.contains(section)) continue;
        const json& members = config[section];
        const std::string at = std::string("/") + section;
        const bool feature = section == std::string("Features");
        if (members.is_object()) {
          for (const auto& [key, value] : members.items()) CheckEntry(run, at + PointerToken(key), value, feature);
          continue;
        }
        // A section that is no object is refused whole, as load reads it.
        try {
          (void)ReadSettings(json::object({{section, members}}));
        } catch (const std::exception& whole) {
          run.Error(at, JsonErrorReason(whole.what()), kRefused);
        }
      }
    }
    if (run.diagnostics.size() == before) run.Error("", JsonErrorReason(error.what()), kRefused);
    return;
  }
  try {
    RefreshSettings(loaded, ReadSettings(config));
  } catch (const std::exception& error) {
    run.Error("", JsonErrorReason(error.what()), "reload refuses the whole file");
  }
}

void CheckSomethingIsOffered(CheckRun& run) {
  Settings read;
  try {
    read = ReadSettings(run.readable);
  } catch (const std::exception&) {
    return;  // an error already
  }
  for (const CommandRow& row : kCommandRows)
    if (Registers(read.Command(row.key))) return;
  run.Warn("", "no command is enabled with a \"Command\" text: the plugin offers nothing",
           "give an entry under \"Commands\" a \"Command\", as in \"TeleportTo_Console\": {\"Command\": \"tpto\"}");
}

}  // namespace check
