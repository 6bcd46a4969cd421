// The use store's journal as any bytes on disk: opening never fails the caller;
// a file that opens is read back as the store holds it, one that does not is
// moved aside byte for byte; and a use recorded then is found after reopening.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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
    if (!opening.failure.empty()) {
      if (opening.movedTo.empty()) Broken("a file that failed to open was not moved aside");
      if (Bytes(opening.movedTo) != written) Broken("the file moved aside is not the file as it was");
      if (opening.store->Find(key)) Broken("a store from a file that failed to open holds uses");
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
