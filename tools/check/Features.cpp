#include "tools/check/Features.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "orvanel/core/AsciiCase.h"
#include "orvanel/core/Settings.h"
#include "orvanel/core/StoreSettings.h"
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

namespace {

bool Names(const ConnectionShape& shape, const char* key) {
  return std::any_of(shape.keys.begin(), shape.keys.end(),
                     [&](const std::string& written) { return AsciiLower(written) == AsciiLower(key); });
}

// The "Store" entry as load takes it (what load refuses is an error already):
// what would keep the driver manager from connecting, and a password written
// where anyone who reads config.json or a copy of it reads it too. No value of
// the connection string is shown, not even masked: any piece may be a secret
// written wrong.
void CheckStore(CheckRun& run) {
  const std::string at = std::string("/Features/") + kCooldownsFeature + "/Store";
  const json* cooldowns = run.ValueAt(std::string("/Features/") + kCooldownsFeature);
  if (cooldowns == nullptr) return;
  std::optional<StoreSettings> store;
  try {
    store = ReadStoreSettings(*cooldowns);
  } catch (const std::exception&) {
    return;  // an error already
  }
  if (!store) return;
  if (!FeatureOnInFile(run, kCooldownsFeature))
    run.Warn(at, FeatureNotEnabled(kCooldownsFeature) + ": the store is never opened and no use is shared",
             EnableFeatureHint(kCooldownsFeature));
  const std::string connection = at + "/Connection";
  const ConnectionShape shape = ReadConnectionShape(store->connection);
  for (const int piece : shape.strayPieces)
    run.Warn(
        connection,
        "piece " + std::to_string(piece) + " of the connection string is not KEY=VALUE: the driver manager ignores it",
        "separate the pieces with ';', as in \"Driver=...;Server=...;Database=...\"");
  if (shape.braceOpen)
    run.Warn(connection, "a value of the connection string opens with '{' and is never closed: it runs to the end",
             "close it with '}'");
  if (!Names(shape, "DSN") && !Names(shape, "Driver")) {
    run.Warn(connection, "the connection string names neither a \"DSN\" nor a \"Driver\": nothing can connect",
             "write \"DSN=name\" for a data source of the system's ODBC settings, or \"Driver=...\" with its file "
             "or name");
  } else if (!Names(shape, "DSN")) {
    for (const char* key : {"Server", "Database"})
      if (!Names(shape, key))
        run.Warn(connection, std::string("the connection string names no \"") + key +
                                 "\": the driver's default is taken, which is seldom the cluster's");
  }
  if (shape.secret)
    run.Warn(connection,
             "a password (\"Pwd\" or \"Password\") is written in config.json: whoever reads the file or a copy of it "
             "can reach the database",
             "keep it in the system's ODBC settings and write \"DSN=name\"");
}

}  // namespace

void CheckFeatures(CheckRun& run) {
  CheckStore(run);
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
