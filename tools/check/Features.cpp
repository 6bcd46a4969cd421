#include "tools/check/Features.h"

#include <exception>

#include "orvanel/core/Settings.h"
#include "tools/check/Whitelists.h"

using nlohmann::json;

namespace check {

bool FeatureOnInFile(const CheckRun& run, const char* name) {
  const json& config = run.readable;
  if (!config.is_object() || !config.contains("Features") || !config["Features"].is_object()) return false;
  const json& features = config["Features"];
  if (!features.contains(name)) return false;
  try {
    return ParseFeatureSettings(name, features[name]).enabled;
  } catch (const std::exception&) {
    return false;
  }
}

std::string FeatureNotEnabled(const char* name) { return "the feature " + Quoted(name) + " is not enabled"; }

std::string EnableFeatureHint(const char* name) {
  return "set \"Features\": {" + Quoted(name) + ": {\"Enabled\": true}}";
}

void CheckFeatures(CheckRun& run) {
  // "Exempt" names groups and Steam ids as a whitelist does.
  const std::string exempt = std::string("/Features/") + kCooldownsFeature + "/Exempt";
  if (const json* list = run.ValueAt(exempt)) CheckSteamIds(run, exempt, *list);
  const std::string at = std::string("/Features/") + kAuditLogFeature;
  const json* audit = run.ValueAt(at);
  if (audit == nullptr || !audit->is_object()) return;
  FeatureSettings settings;
  try {
    settings = ParseFeatureSettings(kAuditLogFeature, *audit);
  } catch (const std::exception&) {
    return;  // an error already
  }
  if (!settings.enabled) {
    if (audit->contains("File"))
      run.Warn(at + "/File", FeatureNotEnabled(kAuditLogFeature) + ": no audit line is written to the file",
               EnableFeatureHint(kAuditLogFeature));
    if (audit->contains("Days"))
      run.Warn(at + "/Days", FeatureNotEnabled(kAuditLogFeature) + ": no day file is written or removed",
               EnableFeatureHint(kAuditLogFeature));
  }
  // The day files are the path's name with the date added before its extension:
  // a path that ends in a folder gives them no name but the date.
  const std::string& file = settings.file;
  if (!file.empty() && (file.back() == '/' || file.back() == '\\'))
    run.Warn(at + "/File",
             Quoted(file) + " names a folder, not a file: the audit lines go to " + Quoted(file + "_YYYY-MM-DD"),
             "name a file in it, as in " + Quoted(file + "audit.log"));
}

}  // namespace check
