// The use store's journal as any bytes on disk: opening never fails the caller;
// every well-formed record in the bytes is kept, the last of a key counting; a
// file that opens is read back as the store holds it, one with lines that are
// no record is set aside byte for byte; and a use recorded then is found after reopening.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "orvanel/core/UseJournal.h"

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "journal: %s\n", what);
  std::abort();
}

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The records of `text` by the journal's own form, read here line by line; a
// record of no use is a reset, which clears its key.
std::map<UseKey, UseRecord> WellFormedRecords(std::string_view text) {
  std::map<UseKey, UseRecord> records;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const nlohmann::json fields = nlohmann::json::parse(text.substr(at, end - at), nullptr, false);
    at = end + 1;
    if (fields.is_array() && fields.size() == 5 && fields[0].is_number_unsigned() && fields[1].is_string() &&
        fields[2].is_string() && fields[3].is_number_unsigned() && fields[4].is_number_integer()) {
      const UseKey key{fields[0].get<uint64_t>(), fields[1].get<std::string>(), fields[2].get<std::string>()};
      if (fields[3].get<uint64_t>() == 0)
        records.erase(key);
      else
        records[key] = UseRecord{fields[3].get<uint64_t>(), fields[4].get<int64_t>()};
    }
  }
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // In memory where there is such a file system: each run writes and syncs the file twice.
  static const fs::path folder = (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
                                 ("orvanel-fuzz-journal-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path path = folder / kUseJournalFile;
  const std::string written(reinterpret_cast<const char*>(data), size);
  std::ofstream(path, std::ios::binary) << written;

  const UseKey key{76561198000000001ULL, "ItemTemplate_Console", "starter"};
  uint64_t count = 0;
  {
    UseJournalOpening opening = OpenUseJournal(path, "fuzz");
    if (opening.store == nullptr) Broken("no store");
    const std::map<UseKey, UseRecord> well_formed = WellFormedRecords(written);
    for (const auto& [read_key, record] : well_formed)
      if (opening.store->Find(read_key) != record) Broken("a well-formed record was not kept");
    if (!opening.skippedLines.empty() && Bytes(opening.movedTo) != written)
      Broken("the file set aside is not the file as it was");
    if (!opening.failure.empty()) {
      if (opening.movedTo.empty()) Broken("a file that failed to open was not moved aside");
      if (Bytes(opening.movedTo) != written) Broken("the file moved aside is not the file as it was");
      if (!well_formed.empty()) Broken("a file with records was moved aside whole");
    } else {
      std::size_t held = 0;
      for (const auto& [read_key, record] : ReadUseRecords(path)) {
        if (opening.store->Find(read_key) != record) Broken("the rewritten file differs from the store");
        ++held;
      }
      (void)held;
    }
    count = opening.store->Find(key).value_or(UseRecord{}).count;
    if (opening.store->Record(key, 42).count != count + 1) Broken("a use was not counted");
  }
  UseJournalOpening reopened = OpenUseJournal(path, "fuzz");
  if (!reopened.failure.empty()) Broken("the journal written by the store fails to open");
  if (reopened.store->Find(key) != UseRecord{count + 1, 42}) Broken("the recorded use is lost");
  return 0;
}
