// The uses that cooldowns and use limits count: per Steam id, command key and
// entry name, how many and when the last was (wall clock). Callers see only this
// interface, so that where the uses are kept (a file, a shared database) can change without them.
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

// How often and how soon a player may use one kit, group or location.
struct UseLimits {
  int64_t cooldownMs = 0;        // 0: none
  std::optional<uint64_t> uses;  // none: no limit

  bool Limited() const { return cooldownMs > 0 || uses.has_value(); }
};

enum class UseVerdictKind {
  Allowed,
  UsedUp,
  TooSoon,
  // A shared store could not answer in time; nothing is held.
  Unreachable,
};

struct UseVerdict {
  UseVerdictKind kind = UseVerdictKind::Allowed;
  uint64_t used = 0;   // UsedUp: the uses counted
  int64_t waitMs = 0;  // TooSoon: until the entry may be used again
};

// A use judged and held for one run in one step, so that nothing (another run,
// another server sharing the store) takes it in between. `ticket` names the held
// use for Keep or GiveBack; it holds nothing unless the verdict is Allowed.
struct UseClaim {
  UseVerdict verdict;
  uint64_t ticket = 0;
};

class UseStore {
 public:
  virtual ~UseStore() = default;
  // Judges a use of `key` at `nowMs` against `limits` and, when it is allowed,
  // holds it until Keep or GiveBack. Throws when the store cannot be asked.
  virtual UseClaim Claim(const UseKey& key, const UseLimits& limits, int64_t nowMs) = 0;
  // The run that claimed did something: the use counts. Throws when it cannot
  // be kept; it is then not counted.
  virtual void Keep(uint64_t ticket) = 0;
  // The run that claimed did nothing: the use is as if never claimed.
  virtual void GiveBack(uint64_t ticket) = 0;
  virtual std::optional<UseRecord> Find(const UseKey& key) const = 0;
  // Counts one more use at `nowMs` and returns the record as it stands after.
  // Throws when the use cannot be kept; nothing is counted then.
  virtual UseRecord Record(const UseKey& key, int64_t nowMs) = 0;
  // Every record of one player, in key order.
  virtual std::vector<std::pair<UseKey, UseRecord>> UsesOf(uint64_t steamId) const = 0;
  // Clears the uses of one entry for one player.
  virtual void Forget(const UseKey& key) = 0;
  // Clears every use of one player.
  virtual void ForgetAll(uint64_t steamId) = 0;
};
