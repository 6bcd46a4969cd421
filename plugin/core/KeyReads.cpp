#include "orvanel/core/KeyReads.h"

#include <utility>

namespace {

KeyReadRecorder& Recorder() {
  static KeyReadRecorder recorder;
  return recorder;
}

}  // namespace

void SetKeyReadRecorder(KeyReadRecorder recorder) { Recorder() = std::move(recorder); }

const char* NoteKeyRead(const std::string& at, const char* key) {
  if (Recorder()) Recorder()(at + "/" + key);
  return key;
}
