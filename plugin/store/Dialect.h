// The statements the shared store runs, each engine's in one table: the
// tables made at first connection, and the reads and writes of one record.
// Every record is keyed by Steam id, command key and entry name.
#pragma once

#include <cstdint>
#include <string>

// The version of the tables these statements read and write; a store that
// says another is refused and never altered.
inline constexpr int64_t kStoreSchemaVersion = 1;

struct Dialect {
  const char* engine;
  const char* createVersionTable;
  const char* readVersion;
  const char* writeVersion;  // (version)
  const char* createUsesTable;
  // A record of no use for the key, unless one is there: (steam id, command, entry, server)
  const char* ensureRecord;
  // The record, locked until the transaction ends: (steam id, command, entry) -> uses, last_ms
  const char* lockRecord;
  const char* findRecord;
  // (uses, last_ms, server, steam id, command, entry)
  const char* writeRecord;
  // (steam id) -> command, entry, uses, last_ms in key order
  const char* recordsOf;
  // (steam id, command, entry)
  const char* forgetRecord;
  // (steam id)
  const char* forgetRecords;
};

// The dialect of the engine that names itself `engine` (SQL_DBMS_NAME); null
// for an engine the store does not speak.
const Dialect* DialectOf(const std::string& engine);
