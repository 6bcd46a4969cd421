#include "sandbox/app/ConfigTree.h"

#include <iostream>
#include <random>

#include <fmt/format.h>

#include "orvanel/core/ConfigPath.h"

namespace sandbox {
namespace {

namespace fs = std::filesystem;

fs::path ConfigFileOf(const fs::path& root) { return root / kConfigFileInServer; }

// Copies the file; `error` says why not. Only regular files count, so that a
// pipe or a directory cannot hold the program up.
bool CopyConfig(ConfigTree& tree, std::string& error) {
  std::error_code code;
  const fs::file_status status = fs::status(tree.source, code);
  if (code || !fs::is_regular_file(status)) {
    error = code ? code.message() : "not a regular file";
    return false;
  }
  const auto time = fs::last_write_time(tree.source, code);
  const auto size = code ? 0 : fs::file_size(tree.source, code);
  if (!code && tree.copied && time == tree.copiedTime && size == tree.copiedSize) return true;
  if (code || !fs::copy_file(tree.source, ConfigFileOf(tree.root), fs::copy_options::overwrite_existing, code)) {
    error = code.message();
    return false;
  }
  tree.copiedTime = time;
  tree.copiedSize = size;
  tree.copied = true;
  return true;
}

}  // namespace

ConfigTree::~ConfigTree() {
  if (root.empty()) return;
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

bool MakeConfigTree(ConfigTree& tree, const fs::path& source, std::string& error) {
  tree.source = source;
  std::random_device seed;
  std::error_code code;
  const fs::path base = fs::temp_directory_path(code);
  if (code) {
    error = "no temporary directory: " + code.message();
    return false;
  }
  const fs::path root = base / fmt::format("orvanel-sandbox-{:08x}{:08x}", seed(), seed());
  if (!fs::create_directories(ConfigFileOf(root).parent_path(), code)) {
    error = "cannot make " + root.string() + ": " + (code ? code.message() : "it exists");
    return false;
  }
  tree.root = root;
  return CopyConfig(tree, error);
}

void SyncConfigTree(ConfigTree& tree) {
  std::string error;
  if (CopyConfig(tree, error)) {
    if (tree.failing) std::cout << "The config file " << tree.source.string() << " can be read again.\n";
    tree.failing = false;
    return;
  }
  std::error_code ignored;
  fs::remove(ConfigFileOf(tree.root), ignored);
  tree.copied = false;
  if (!tree.failing) std::cout << "Cannot read the config file " << tree.source.string() << ": " << error << "\n";
  tree.failing = true;
}

}  // namespace sandbox
