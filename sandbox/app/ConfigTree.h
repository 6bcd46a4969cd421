// The temporary server tree behind --config: its config.json is kept a copy of
// the operator's file, brought up to date before every command, so that editing
// the file and running the reload command takes effect. Removed at exit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace sandbox {

struct ConfigTree {
  ConfigTree() = default;
  ConfigTree(const ConfigTree&) = delete;
  ConfigTree& operator=(const ConfigTree&) = delete;
  ~ConfigTree();

  std::filesystem::path source;
  // The server directory; empty until made.
  std::filesystem::path root;
  std::filesystem::file_time_type copiedTime{};
  std::uintmax_t copiedSize = 0;
  bool copied = false;
  bool failing = false;
};

// Makes the tree and copies `source` into it; false with `error` set when the
// file cannot be read or the tree cannot be made.
bool MakeConfigTree(ConfigTree& tree, const std::filesystem::path& source, std::string& error);

// Copies the operator's file again when it changed. A file that cannot be read
// leaves the tree without config.json, as a server whose file is gone, and is
// reported once until it can be read again.
void SyncConfigTree(ConfigTree& tree);

}  // namespace sandbox
