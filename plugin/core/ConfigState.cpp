#include "orvanel/core/ConfigState.h"

#include <utility>

#include "orvanel/core/ConfigText.h"

ConfigState LoadConfigState(std::string path, std::string text) {
  nlohmann::json document = ParseConfigText(text);
  Settings settings = ReadSettings(document);
  return {std::move(path), std::move(text), std::move(document), std::move(settings)};
}

ConfigState ReloadConfigState(const ConfigState& loaded, std::string text, std::vector<std::string>* unapplied) {
  // Every entry is read, and checked as the next load will check it, before
  // anything is made: a reload that fails leaves the state it was given.
  nlohmann::json document = ParseConfigText(text);
  Settings read = ReadSettings(document);
  if (unapplied != nullptr) *unapplied = UnappliedChanges(loaded.settings, read);
  Settings settings = RefreshedSettings(loaded.settings, std::move(read));
  return {loaded.path, std::move(text), std::move(document), std::move(settings)};
}

const nlohmann::json* FindMemberAt(const nlohmann::json& document, std::span<const std::string> path) {
  const nlohmann::json* value = &document;
  for (const std::string& key : path) {
    if (!value->is_object()) return nullptr;
    const auto member = value->find(key);
    if (member == value->end()) return nullptr;
    value = &*member;
  }
  return value;
}
