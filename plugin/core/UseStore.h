// The uses that cooldowns and use limits count: per Steam id, command key and
// entry name, how many and when the last was (wall clock). Callers see only this
// interface, so that where the uses are kept can change without them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

struct UseKey {
  uint64_t steamId = 0;
  std::string command;
  std::string entry;

  bool operator<(const UseKey& other) const {
    return std::tie(steamId, command, entry) < std::tie(other.steamId, other.command, other.entry);
  }
  bool operator==(const UseKey& other) const {
    return std::tie(steamId, command, entry) == std::tie(other.steamId, other.command, other.entry);
  }
};

struct UseRecord {
  uint64_t count = 0;
  int64_t lastMs = 0;  // milliseconds since 1970-01-01 UTC

  bool operator==(const UseRecord& other) const { return count == other.count && lastMs == other.lastMs; }
};

class UseStore {
 public:
  virtual ~UseStore() = default;
  virtual std::optional<UseRecord> Find(const UseKey& key) const = 0;
  // Counts one more use at `nowMs` and returns the record as it stands after.
  // Throws when the use cannot be kept; nothing is counted then.
  virtual UseRecord Record(const UseKey& key, int64_t nowMs) = 0;
  // Every record of one player, in key order.
  virtual std::vector<std::pair<UseKey, UseRecord>> UsesOf(uint64_t steamId) const = 0;
};
