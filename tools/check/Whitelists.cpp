#include "tools/check/Whitelists.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <vector>

#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/Settings.h"

using nlohmann::json;

namespace check {

namespace {

// The ids `list` reads as, as the plugin reads a whitelist; throws as it does.
std::vector<int64_t> ReadIds(const json& list) { return ReadEntryWhitelist(json{{"Whitelist", list}})->ids; }

// True when the config's Permissions entry defines the group `name`.
bool GroupDefined(const json& config, const std::string& name) {
  const json::json_pointer groups("/Features/Permissions/Groups");
  return config.contains(groups) && config[groups].is_object() && config[groups].contains(name);
}

}  // namespace

std::optional<ListFault> SteamIdListFault(const json& list) {
  try {
    (void)ReadIds(list);
    return std::nullopt;
  } catch (const std::exception& whole) {
    // The read takes a lone number as a list of one; a text or true is no list.
    if (!list.is_array())
      return ListFault{"", "must be a list in [ ] of Steam ids, not " + PlainTypeWords(list.type_name())};
    for (std::size_t index = 0; index < list.size(); ++index) try {
        (void)ReadIds(json::array({list[index]}));
      } catch (const std::exception& element) {
        return ListFault{"/" + std::to_string(index), JsonErrorReason(element.what())};
      }
    return ListFault{"", JsonErrorReason(whole.what())};
  }
}

void CheckSteamIds(CheckRun& run, const std::string& at, const json& list) {
  if (!list.is_array()) return;
  for (std::size_t index = 0; index < list.size(); ++index) {
    const json& id = list[index];
    if (id.is_string() && !IsDigitsOnly(id.get_ref<const std::string&>()) &&
        !GroupDefined(run.readable, id.get<std::string>()))
      run.Warn(at + "/" + std::to_string(index), "no group is named " + Shown(id) + ": it lets nobody in",
               "define it under \"Features\": {\"Permissions\": {\"Groups\": {...}}}, or mend the name");
    if (!id.is_number()) continue;
    const std::string place = at + "/" + std::to_string(index);
    const int64_t read = ReadIds(json::array({id})).front();
    // A Steam id written with a fraction or beyond 64 bits is read as another number.
    if (id.is_number_float() &&
        (static_cast<double>(read) != id.get<double>() || std::fabs(id.get<double>()) >= 9.0e15)) {
      run.Warn(place, "the Steam id is not written as a whole number: it is read as " + std::to_string(read),
               "write the id as a whole number, without a point or exponent");
      continue;
    }
    // Ids beyond the signed range are read as negative numbers, and match as written.
    if (id.is_number_unsigned() ? id.get<uint64_t>() == 0 : read < 1)
      run.Warn(place, "the Steam id " + Shown(id) + " is below 1: no player has it",
               "a Steam id is a whole number from 1 up, as in 76561198000000001");
  }
}

json PluginReadable(json config) {
  if (!config.is_object() || !config.contains("Commands") || !config["Commands"].is_object()) return config;
  for (json& entry : config["Commands"])
    if (entry.is_object()) entry.erase("Others");
  return config;
}

}  // namespace check
