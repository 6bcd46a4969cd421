// The use store as one file beside config.json: a journal of whole records, one
// JSON line each, appended per use and rewritten compactly (temporary file, then
// rename) at opening. A kill loses at most the line being written.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

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

// `stamp` names a file moved aside: "state.broken-STAMP" (YYYYMMDD-HHMMSS).
UseJournalOpening OpenUseJournal(const std::filesystem::path& path, const std::string& stamp);
