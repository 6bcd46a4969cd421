#include "tools/check/CheckRun.h"

#include <utility>

using nlohmann::json;

namespace check {

void CheckRun::Add(const char* severity, const std::string& pointer, std::string message, std::string hint,
                   bool at_key) {
  const JsonPlace place = FindPlace(places, pointer);
  const TextPlace at = at_key ? place.key : place.value;
  diagnostics.push_back({severity, file, at.line, at.column, pointer, std::move(message), std::move(hint)});
}

void CheckRun::Error(const std::string& pointer, std::string message, std::string hint) {
  Add("error", pointer, std::move(message), std::move(hint));
}

void CheckRun::Warn(const std::string& pointer, std::string message, std::string hint) {
  Add("warning", pointer, std::move(message), std::move(hint));
}

const json* CheckRun::ValueAt(const std::string& pointer) const {
  const json::json_pointer at(pointer);
  return config.contains(at) ? &config.at(at) : nullptr;
}

std::string Quoted(const std::string& text) { return json(text).dump(-1, ' ', false, json::error_handler_t::replace); }

std::string Shown(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace check
