// The uses kept in a database server that the servers of a cluster share: one
// worker thread owns the connection and runs every statement; the caller hands
// it a claim and waits at most WaitMs, never on the network itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "orvanel/core/StoreSettings.h"
#include "orvanel/core/UseStore.h"
#include "orvanel/store/Sql.h"

// What the store tells the operator: the connection made, lost, back, or a
// store it refuses; `fault` for trouble. Each said once per change, never per
// command, and never with the connection string's secret.
using SharedStoreNotes = std::function<void(const std::string& text, bool fault)>;

// What a question to the shared store says while it cannot answer; the
// commands turn it into their "try again" replies.
inline std::string SharedStoreUnanswered(const std::string& server) {
  return "the shared use store \"" + server + "\" cannot answer right now";
}

// The pause between two tries to connect doubles from the first to the last.
struct ReconnectPauses {
  int64_t firstMs = 100;
  int64_t lastMs = 5000;
};

class SharedStore;

enum class StoreAddition {
  Added,
  NotAdded,  // the store cannot be reached, or it failed: nothing added
  Unknown,   // no answer in time: all or nothing added, as the worker finishes it
};

// Starts the worker, which connects at once and by itself again whenever the
// connection is lost. `local` counts while the database cannot answer when
// `settings` says "local" (null otherwise). Destroying the store cancels the
// statement in flight and tells the worker to end; it waits for that a moment
// and may leave the worker to end by itself, so the worker's code must stay
// loaded until it has (the plugin keeps the store in a library of its own,
// StoreLibrary.h).
std::unique_ptr<SharedStore> OpenSharedStore(StoreSettings settings, std::unique_ptr<UseStore> local,
                                             SharedStoreNotes notes, SqlConnector connector = OdbcConnector(),
                                             ReconnectPauses pauses = {});

class SharedStore : public UseStore {
 public:
  // Whether the worker holds a connection to a store it accepted.
  virtual bool Reachable() const = 0;
  // Waits until the worker has run everything handed to it so far (the
  // give-backs of claims answered late among them), at most `ms`; true if it has.
  virtual bool Settled(int64_t ms) const = 0;
  // Adds each record's uses to those the store holds for its key, the later
  // last use kept, in one transaction, so that a journal's records move in
  // whole or not at all; waits at most `ms` for the answer, a first
  // connection still being made included.
  virtual StoreAddition AddRecords(const std::vector<std::pair<UseKey, UseRecord>>& records, int64_t ms) = 0;
};
