// Files as the plugin reads and writes them: only a regular file is read, and a
// file is replaced whole by a temporary file and a rename, so that a crash
// leaves the old file or the new one. Host-free.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The bytes of `path` when it is a regular file that opens; nothing otherwise.
// A pipe or a device could block the caller forever, and a directory holds no text.
std::optional<std::string> ReadRegularFile(const std::string& path);

// Writes `text` to a temporary file beside `path`, flushed to the disk, which
// then takes its place: a crash leaves the old file or the new one, never a
// torn one. Throws std::runtime_error, the file untouched, when the temporary
// file cannot be written.
void ReplaceFileAtomically(const std::filesystem::path& path, std::string_view text);
