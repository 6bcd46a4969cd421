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

std::string ToUtf8(WideStringView text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

WideString FromUtf8(std::string_view text) {
  // Never more 16-bit units than bytes: the text is written in place and cut
  // to its length at the end.
  WideString out(text.size(), TEXT('\0'));
  std::size_t length = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out[length++] = lead;
      ++i;
      continue;
    }
    int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    char32_t code = extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80)
        valid = false;
      else
        code = (code << 6) | (next & 0x3F);
    }
    if (valid && ((extra == 1 && code < 0x80) || (extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000) ||
                  code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
      valid = false;
    if (!valid) {
      out[length++] = 0xFFFD;
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      out[length++] = static_cast<TCHAR>(0xD800 + ((code - 0x10000) >> 10));
      out[length++] = static_cast<TCHAR>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out[length++] = static_cast<TCHAR>(code);
    }
    i += 1 + static_cast<std::size_t>(extra);
  }
  out.resize(length);
  return out;
}

}  // namespace sim
