// The use store as one file beside config.json: a journal of whole records, one
// JSON line each, appended per use and rewritten compactly (temporary file, then
// rename) at opening. A kill loses at most the line being written.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "orvanel/core/UseStore.h"

inline constexpr const char* kUseJournalFile = "state.journal";

struct UseJournalOpening {
  std::unique_ptr<UseStore> store;  // never null
  // When the file could not be read: why, and where it was moved (empty when it
  // could not be moved either; the store then keeps uses in memory only and
  // never writes over the file).
  std::string failure;
  std::filesystem::path movedTo;
};

// Every record the journal at `path` holds, in key order, without writing to
// it (for a reader beside the plugin); none when there is no file. Throws,
// naming the line, when the file is no journal.
std::vector<std::pair<UseKey, UseRecord>> ReadUseRecords(const std::filesystem::path& path);

// `stamp` names a file moved aside: "state.broken-STAMP" (YYYYMMDD-HHMMSS).
UseJournalOpening OpenUseJournal(const std::filesystem::path& path, const std::string& stamp);
