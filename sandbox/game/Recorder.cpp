#include "sandbox/game/Recorder.h"

#include <mutex>

namespace sim {
namespace {

struct Record {
  std::vector<nlohmann::json> events;
  std::vector<nlohmann::json> calls;
  std::vector<Listener> event_listeners;
  std::vector<Listener> call_listeners;
  bool tracing = true;
  bool keeping = true;
  // Guards the events and their listeners; recursive, as a listener may emit.
  std::recursive_mutex events_guard;
};

Record& State() {
  static Record record;
  return record;
}

}  // namespace

void SetKeeping(bool on) { State().keeping = on; }

void Emit(nlohmann::json event) {
  Record& record = State();
  const std::lock_guard<std::recursive_mutex> lock(record.events_guard);
  for (const Listener& listener : record.event_listeners) listener(event);
  if (record.keeping) record.events.push_back(std::move(event));
}

std::vector<nlohmann::json> Events() {
  const std::lock_guard<std::recursive_mutex> lock(State().events_guard);
  return State().events;
}

void AddEventListener(Listener listener) {
  const std::lock_guard<std::recursive_mutex> lock(State().events_guard);
  State().event_listeners.push_back(std::move(listener));
}

void SetCallTracing(bool on) { State().tracing = on; }
bool CallTracing() { return State().tracing; }

void RecordCall(const char* name, nlohmann::json args) {
  Record& record = State();
  if (!record.tracing || (!record.keeping && record.call_listeners.empty())) return;
  nlohmann::json call = {{"call", name}, {"args", std::move(args)}};
  for (const Listener& listener : record.call_listeners) listener(call);
  if (record.keeping) record.calls.push_back(std::move(call));
}

const std::vector<nlohmann::json>& Calls() { return State().calls; }

void AddCallListener(Listener listener) { State().call_listeners.push_back(std::move(listener)); }

void ResetRecorder() {
  const std::lock_guard<std::recursive_mutex> lock(State().events_guard);
  State().events.clear();
  State().calls.clear();
  State().event_listeners.clear();
  State().call_listeners.clear();
  State().tracing = true;
  State().keeping = true;
}

nlohmann::json ObjectRef(const Object* object) {
  if (object == nullptr) return nullptr;
  return object->id;
}

}  // namespace sim
