// The use store as one file beside config.json: a journal of whole records, one
// JSON line each, appended per use and rewritten compactly (temporary file, then
// rename) at opening. A kill loses at most the line being written; a line that
// is no record loses only itself, and a file replaced while open is read again.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "orvanel/core/UseStore.h"

inline constexpr const char* kUseJournalFile = "state.journal";

struct UseJournalOpening {
  std::unique_ptr<UseStore> store;  // never null
  // When the file could not be read or kept: why. With no record in it, the
  // file was moved whole to `movedTo` (empty when it could not be moved either;
  // the store then keeps uses in memory only and never writes over the file).
  std::string failure;
  std::filesystem::path movedTo;
  // The numbers of the lines that were no record, when others were: they were
  // skipped, every record was kept, and the file as it was copied to `movedTo`
  // before it was rewritten.
  std::vector<std::size_t> skippedLines;
};

// What the journal says while the server runs, as a line for the operator;
// `fault` when something could not be read or kept.
using UseJournalNotes = std::function<void(const std::string& text, bool fault)>;

// Every record the journal at `path` holds, in key order, without writing to
// it (for a reader beside the plugin); none when there is no file. Lines that
// are no record are skipped as the plugin skips them; throws when there is no
// regular file to read.
std::vector<std::pair<UseKey, UseRecord>> ReadUseRecords(const std::filesystem::path& path);

// `stamp` names a file set aside: "state.broken-STAMP" (YYYYMMDD-HHMMSS). Before
// each write the store compares the file at `path` with the one it appends to;
// when it was replaced or removed, the store reads it again as at opening and
// says so through `notes`.
UseJournalOpening OpenUseJournal(const std::filesystem::path& path, const std::string& stamp,
                                 UseJournalNotes notes = {});

// The one line an opening's trouble is told in, naming the file as `path`;
// empty when there was none.
std::string UseJournalReport(const std::string& path, const UseJournalOpening& opening);

// The current moment as a stamp of a file set aside: YYYYMMDD-HHMMSS, UTC.
std::string UtcFileStamp();
