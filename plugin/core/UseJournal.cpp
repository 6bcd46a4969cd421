#include "orvanel/core/UseJournal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "orvanel/commands/UseLimits.h"
#include "orvanel/core/ConfigEdit.h"
#include "orvanel/core/ConfigText.h"

namespace {

namespace fs = std::filesystem;
using Records = std::map<UseKey, UseRecord>;

std::string RecordLine(const UseKey& key, const UseRecord& record) {
  return nlohmann::json::array({key.steamId, key.command, key.entry, record.count, record.lastMs}).dump() + "\n";
}

// One whole line of the journal; throws when it is not a record.
std::pair<UseKey, UseRecord> ParseRecordLine(std::string_view line) {
  const nlohmann::json fields = nlohmann::json::parse(line);
  if (!fields.is_array() || fields.size() != 5 || !fields[0].is_number_unsigned() || !fields[1].is_string() ||
      !fields[2].is_string() || !fields[3].is_number_unsigned() || !fields[4].is_number_integer())
    throw std::runtime_error("not a use record");
  return {UseKey{fields[0].get<uint64_t>(), fields[1].get<std::string>(), fields[2].get<std::string>()},
          UseRecord{fields[3].get<uint64_t>(), fields[4].get<int64_t>()}};
}

// Every whole record, the last line for a key counting; a last line without
// its newline is a write a kill cut short, and is left out. Throws at any
// other line that is not a record, naming it.
Records ReadRecords(const std::string& text) {
  Records records;
  std::size_t at = 0;
  std::size_t number = 1;
  for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', at), ++number) {
    try {
      auto [key, record] = ParseRecordLine(std::string_view(text).substr(at, end - at));
      records[std::move(key)] = record;
    } catch (const std::exception& error) {
      throw std::runtime_error("line " + std::to_string(number) + ": " + error.what());
    }
    at = end + 1;
  }
  return records;
}

[[noreturn]] void ThrowWriteError(const fs::path& path) {
  throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(errno));
}

// Written out in full to a temporary file beside `path`, which then takes its
// place: a kill leaves the old file or the new one.
void RewriteRecords(const fs::path& path, const Records& records) {
  std::string text;
  for (const auto& [key, record] : records) text += RecordLine(key, record);
  ReplaceFileAtomically(path, text);
}

// "state.broken-STAMP", or with "-2", "-3", ... when that name is taken.
fs::path BrokenName(const fs::path& path, const std::string& stamp) {
  const fs::path first = path.parent_path() / ("state.broken-" + stamp);
  fs::path name = first;
  for (int suffix = 2; fs::exists(name); ++suffix) name = first.string() + "-" + std::to_string(suffix);
  return name;
}

class UseJournal final : public UseStore {
 public:
  UseJournal(fs::path path, Records records) : path_(std::move(path)), records_(std::move(records)) {}
  UseJournal(const UseJournal&) = delete;
  UseJournal& operator=(const UseJournal&) = delete;
  ~UseJournal() override {
    if (file_ != nullptr) std::fclose(file_);
  }

  // From now on each use is appended to the file at `path_`.
  void StartAppending() {
    file_ = std::fopen(path_.string().c_str(), "ab");
    if (file_ == nullptr) ThrowWriteError(path_);
  }

  std::optional<UseRecord> Find(const UseKey& key) const override {
    const auto found = records_.find(key);
    if (found == records_.end()) return std::nullopt;
    return found->second;
  }

  // A held use is written only when kept, so that a run that did nothing
  // leaves the file as it was.
  UseClaim Claim(const UseKey& key, const UseLimits& limits, int64_t nowMs) override {
    UseClaim claim{JudgeUse(limits, Find(key), nowMs), 0};
    if (claim.verdict.kind != UseVerdictKind::Allowed) return claim;
    claim.ticket = ++lastTicket_;
    held_.emplace(claim.ticket, HeldUse{key, nowMs});
    return claim;
  }

  void Keep(uint64_t ticket) override {
    const auto held = held_.find(ticket);
    if (held == held_.end()) return;
    const HeldUse use = held->second;
    held_.erase(held);
    Record(use.key, use.atMs);
  }

  void GiveBack(uint64_t ticket) override { held_.erase(ticket); }

  UseRecord Record(const UseKey& key, int64_t nowMs) override {
    UseRecord record = Find(key).value_or(UseRecord{});
    ++record.count;
    record.lastMs = nowMs;
    if (file_ != nullptr) {
      const std::string line = RecordLine(key, record);
      if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
        // What was written of the line is a torn last line, which the next
        // opening leaves out; nothing more is appended after it.
        std::fclose(file_);
        file_ = nullptr;
        ThrowWriteError(path_);
      }
    }
    records_[key] = record;
    return record;
  }

  std::vector<std::pair<UseKey, UseRecord>> UsesOf(uint64_t steamId) const override {
    std::vector<std::pair<UseKey, UseRecord>> uses;
    for (auto at = records_.lower_bound(UseKey{steamId, {}, {}}); at != records_.end() && at->first.steamId == steamId;
         ++at)
      uses.emplace_back(*at);
    return uses;
  }

 private:
  struct HeldUse {
    UseKey key;
    int64_t atMs = 0;
  };

  fs::path path_;
  Records records_;
  std::FILE* file_ = nullptr;
  std::map<uint64_t, HeldUse> held_;
  uint64_t lastTicket_ = 0;
};

}  // namespace

std::vector<std::pair<UseKey, UseRecord>> ReadUseRecords(const fs::path& path) {
  std::error_code ignored;
  if (!fs::exists(path, ignored)) return {};
  const std::optional<std::string> text = ReadRegularFile(path.string());
  if (!text) throw std::runtime_error("not a regular file that can be read");
  const Records records = ReadRecords(*text);
  return {records.begin(), records.end()};
}

UseJournalOpening OpenUseJournal(const fs::path& path, const std::string& stamp) {
  UseJournalOpening opening;
  // A rewrite that a kill cut short is written over by the next one.
  std::error_code ignored;
  Records records;
  bool readable = true;
  if (fs::exists(path, ignored) || fs::is_symlink(path, ignored)) {
    try {
      const std::optional<std::string> text = ReadRegularFile(path.string());
      if (!text) throw std::runtime_error("not a regular file that can be read");
      records = ReadRecords(*text);
    } catch (const std::exception& error) {
      readable = false;
      opening.failure = error.what();
    }
  }
  std::unique_ptr<UseJournal> journal;
  try {
    if (!readable) {
      const fs::path aside = BrokenName(path, stamp);
      fs::rename(path, aside);
      opening.movedTo = aside;
    }
    RewriteRecords(path, records);
    journal = std::make_unique<UseJournal>(path, std::move(records));
    journal->StartAppending();
  } catch (const std::exception& error) {
    // Uses are then kept in memory only, and the file is left as it is.
    if (!opening.failure.empty()) opening.failure += "; ";
    opening.failure += error.what();
    if (!journal) journal = std::make_unique<UseJournal>(path, std::move(records));
  }
  opening.store = std::move(journal);
  return opening;
}
