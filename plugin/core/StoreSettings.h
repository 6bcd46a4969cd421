// The "Store" entry of the Cooldowns feature: the database server that the
// servers of a cluster share their uses through, read by a pure function that
// throws one clear line per fault. Without the entry the journal keeps the uses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

inline constexpr int64_t kStoreWaitMsDefault = 50;
inline constexpr int64_t kStoreWaitMsMost = 1000;

enum class WhenUnreachable {
  Refuse,  // a limited entry is refused while the database cannot answer
  Local,   // the journal beside config.json counts meanwhile, unseen by the other servers
};

struct StoreSettings {
  std::string connection;  // an ODBC connection string, or "DSN=name"
  std::string server;      // this server's name in the store
  int64_t waitMs = kStoreWaitMsDefault;
  WhenUnreachable whenUnreachable = WhenUnreachable::Refuse;
};

// The entry under "Store" of the Cooldowns entry `cooldowns`; none without one.
// Throws std::invalid_argument naming the key at fault, never the connection
// string's text.
std::optional<StoreSettings> ReadStoreSettings(const nlohmann::json& cooldowns);

// `connection` with the value of each Pwd and Password key shown as ***, for
// every line that names it.
std::string MaskedConnection(const std::string& connection);

// The shape of a connection string, for the checker: never its values, since
// any piece may be a secret written wrong.
struct ConnectionShape {
  std::vector<std::string> keys;  // as written, spaces trimmed, in order
  std::vector<int> strayPieces;   // the pieces, counted from 1, that are no KEY=VALUE
  bool braceOpen = false;         // a value opened with '{' and never closed
  bool secret = false;            // a Pwd or Password key is written in it
};
ConnectionShape ReadConnectionShape(const std::string& connection);

// The value of `key` (any letter case) in the connection string, braces
// removed; none when absent.
std::optional<std::string> ConnectionValue(const std::string& connection, const std::string& key);
