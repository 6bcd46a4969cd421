#include "sandbox/game/Recorder.h"

namespace sim {
namespace {

struct Record {
  std::vector<nlohmann::json> events;
  std::vector<nlohmann::json> calls;
  std::vector<Listener> event_listeners;
  std::vector<Listener> call_listeners;
  bool tracing = true;
  bool keeping = true;
};

Record& State() {
  static Record record;
  return record;
}

}  // namespace

void SetKeeping(bool on) { State().keeping = on; }

void Emit(nlohmann::json event) {
  Record& record = State();
  for (const Listener& listener : record.event_listeners) listener(event);
  if (record.keeping) record.events.push_back(std::move(event));
}

const std::vector<nlohmann::json>& Events() { return State().events; }

void AddEventListener(Listener listener) { State().event_listeners.push_back(std::move(listener)); }

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
