// The configuration keys the plugin reads, noted by place while a recorder is
// set: the test that holds the config schema to the reading code sets one. With
// none set, as always in the plugin, a note costs the test of an empty function.
#pragma once

#include <functional>
#include <string>

using KeyReadRecorder = std::function<void(const std::string& pointer)>;

// Sets the recorder; an empty function clears it.
void SetKeyReadRecorder(KeyReadRecorder recorder);

// Notes the read of `key` from the object at `at` (a JSON pointer) and gives
// `key` back, so that the note and the read are one expression.
const char* NoteKeyRead(const std::string& at, const char* key);
