// Editing config.json as the operator wrote it: one member set in its text,
// every other byte kept (the file is then written by ReplaceFileAtomically,
// core/Files.h). Host-free: a pure function of the text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// `text`, one JSON object, with the member `name` of the object that the keys
// of `path` lead to set to `value` (JSON text): an existing member's value is
// replaced in place (the last of duplicates, the one a parse keeps); a new one
// is put after the object's last member, with that member's indentation and
// separator. Objects of `path` that are missing are created, on one line.
// Throws std::runtime_error when a key of `path` names a value that is no object.
std::string WithMember(std::string_view text, const std::vector<std::string>& path, const std::string& name,
                       std::string_view value);
