// What the sandbox saw: events (chat lines, notifications, log lines,
// registrations, handler errors) and game function calls, kept in order for
// tests and handed to listeners (the program's printer, --events and --trace files).
#pragma once

#include <functional>
#include <vector>

#include <nlohmann/json.hpp>

#include "sandbox/game/Objects.h"

namespace sim {

using Listener = std::function<void(const nlohmann::json&)>;

// Events and calls are kept for Events() and Calls() while keeping is on (the
// default, for tests); a long-running program turns it off, so that they only
// reach the listeners and memory stays bounded.
void SetKeeping(bool on);

// Events may come from any thread (a plugin's worker logs): each reaches the
// listeners and the record whole, and Events() is a copy taken between two.
void Emit(nlohmann::json event);
std::vector<nlohmann::json> Events();
void AddEventListener(Listener listener);

// Calls are recorded while tracing is on (the default); benchmarks turn it off.
void SetCallTracing(bool on);
bool CallTracing();
void RecordCall(const char* name, nlohmann::json args);
const std::vector<nlohmann::json>& Calls();
void AddCallListener(Listener listener);

// Forgets what was recorded, drops every listener, and turns tracing and keeping on.
void ResetRecorder();

// An object as traces show it: its id, or null.
nlohmann::json ObjectRef(const Object* object);

}  // namespace sim
