#include "orvanel/store/Dialect.h"

#include "orvanel/core/AsciiCase.h"

namespace {

// The Steam id is kept in a signed 64-bit column with the same bits.
constexpr Dialect kPostgreSql{
    "PostgreSQL",
    "CREATE TABLE IF NOT EXISTS orvanel_schema (version BIGINT NOT NULL)",
    "SELECT version FROM orvanel_schema",
    "INSERT INTO orvanel_schema (version) VALUES (?)",
    "CREATE TABLE IF NOT EXISTS orvanel_uses (steam_id BIGINT NOT NULL, command VARCHAR(255) NOT NULL, "
    "entry VARCHAR(255) NOT NULL, uses BIGINT NOT NULL, last_ms BIGINT NOT NULL, server VARCHAR(255) NOT NULL, "
    "PRIMARY KEY (steam_id, command, entry))",
    "INSERT INTO orvanel_uses (steam_id, command, entry, uses, last_ms, server) VALUES (?, ?, ?, 0, 0, ?) "
    "ON CONFLICT (steam_id, command, entry) DO NOTHING",
    "SELECT uses, last_ms FROM orvanel_uses WHERE steam_id = ? AND command = ? AND entry = ? FOR UPDATE",
    "SELECT uses, last_ms FROM orvanel_uses WHERE steam_id = ? AND command = ? AND entry = ?",
    "UPDATE orvanel_uses SET uses = ?, last_ms = ?, server = ? WHERE steam_id = ? AND command = ? AND entry = ?",
    "SELECT command, entry, uses, last_ms FROM orvanel_uses WHERE steam_id = ? AND uses > 0 "
    "ORDER BY command COLLATE \"C\", entry COLLATE \"C\"",
    "DELETE FROM orvanel_uses WHERE steam_id = ? AND command = ? AND entry = ?",
    "DELETE FROM orvanel_uses WHERE steam_id = ?",
};

// InnoDB for the row locks; binary keys, so that names compare byte by byte as
// the plugin compares them.
constexpr Dialect kMariaDb{
    "MariaDB",
    "CREATE TABLE IF NOT EXISTS orvanel_schema (version BIGINT NOT NULL) ENGINE=InnoDB",
    "SELECT version FROM orvanel_schema",
    "INSERT INTO orvanel_schema (version) VALUES (?)",
    "CREATE TABLE IF NOT EXISTS orvanel_uses (steam_id BIGINT NOT NULL, command VARBINARY(255) NOT NULL, "
    "entry VARBINARY(255) NOT NULL, uses BIGINT NOT NULL, last_ms BIGINT NOT NULL, server VARCHAR(255) NOT NULL, "
    "PRIMARY KEY (steam_id, command, entry)) ENGINE=InnoDB",
    "INSERT IGNORE INTO orvanel_uses (steam_id, command, entry, uses, last_ms, server) VALUES (?, ?, ?, 0, 0, ?)",
    "SELECT uses, last_ms FROM orvanel_uses WHERE steam_id = ? AND command = ? AND entry = ? FOR UPDATE",
    "SELECT uses, last_ms FROM orvanel_uses WHERE steam_id = ? AND command = ? AND entry = ?",
    "UPDATE orvanel_uses SET uses = ?, last_ms = ?, server = ? WHERE steam_id = ? AND command = ? AND entry = ?",
    "SELECT command, entry, uses, last_ms FROM orvanel_uses WHERE steam_id = ? AND uses > 0 ORDER BY command, entry",
    "DELETE FROM orvanel_uses WHERE steam_id = ? AND command = ? AND entry = ?",
    "DELETE FROM orvanel_uses WHERE steam_id = ?",
};

}  // namespace

const Dialect* DialectOf(const std::string& engine) {
  const std::string name = AsciiLower(engine);
  if (name.find("postgres") != std::string::npos) return &kPostgreSql;
  // MariaDB's driver may name the engine as MySQL does.
  if (name.find("mariadb") != std::string::npos || name.find("mysql") != std::string::npos) return &kMariaDb;
  return nullptr;
}
