#include "orvanel/core/UseJournal.h"
#include "orvanel/core/Files.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "orvanel/core/ConfigEdit.h"
#include "orvanel/core/ConfigText.h"
#include "orvanel/core/UseLimits.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;
using Records = std::map<UseKey, UseRecord>;

// An error line names at most this many skipped lines, then how many more.
constexpr std::size_t kNamedLines = 10;

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

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t\r\v\f") == std::string_view::npos; }

struct JournalText {
  Records records;  // the last line for a key counting
  std::size_t recordLines = 0;
  std::vector<std::size_t> skipped;  // numbers of the lines that were no record
};

// Every record the text holds, a last line without its newline too. Blank
// lines are nothing; a last line that is no record is a write a kill cut
// short, and is left out without a word; any other line that is no record is
// skipped and named.
JournalText ReadRecords(std::string_view text) {
  JournalText read;
  std::size_t number = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    const bool whole = end != std::string_view::npos;
    const std::string_view line = text.substr(at, (whole ? end : text.size()) - at);
    ++number;
    at = whole ? end + 1 : text.size();
    if (IsBlank(line)) continue;
    try {
      auto [key, record] = ParseRecordLine(line);
      read.records[std::move(key)] = record;
      ++read.recordLines;
    } catch (const std::exception&) {
      if (whole) read.skipped.push_back(number);
    }
  }
  return read;
}

// "line 3", "lines 3, 7" or "lines 1, 2, ... and 4 more".
std::string LinesText(const std::vector<std::size_t>& numbers) {
  std::string text = numbers.size() == 1 ? "line " : "lines ";
  for (std::size_t at = 0; at < numbers.size() && at < kNamedLines; ++at)
    text += (at == 0 ? "" : ", ") + std::to_string(numbers[at]);
  if (numbers.size() > kNamedLines) text += " and " + std::to_string(numbers.size() - kNamedLines) + " more";
  return text;
}

[[noreturn]] void ThrowWriteError(const fs::path& path, int error) {
  throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(error));
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

// Which file a path or an open file is, as the system tells it: a file moved
// over the journal, as editors save, is another file at the same path.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t index = 0;

  bool operator==(const FileIdentity& other) const { return device == other.device && index == other.index; }
};

#if defined(_WIN32)
std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileInformationByHandle(handle, &information) == 0) return std::nullopt;
  return FileIdentity{information.dwVolumeSerialNumber,
                      (uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

std::optional<FileIdentity> IdentityOfPath(const fs::path& path) {
  const HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<FileIdentity> identity = IdentityOfHandle(handle);
  CloseHandle(handle);
  return identity;
}

std::optional<FileIdentity> IdentityOfFile(std::FILE* file) {
  return IdentityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))));
}

// Opened for appending so that the file can still be replaced or removed while
// it is open, as on POSIX: the C library's own opening forbids both.
std::FILE* OpenForAppending(const fs::path& path) {
  const HANDLE handle =
      CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = EACCES;
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_APPEND | _O_BINARY);
  if (descriptor == -1) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, "ab");
  if (file == nullptr) _close(descriptor);
  return file;
}
#else
std::optional<FileIdentity> IdentityOfPath(const fs::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileIdentity{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

std::optional<FileIdentity> IdentityOfFile(std::FILE* file) {
  struct stat status {};
  if (::fstat(fileno(file), &status) != 0) return std::nullopt;
  return FileIdentity{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

std::FILE* OpenForAppending(const fs::path& path) { return std::fopen(path.c_str(), "ab"); }
#endif

class UseJournal final : public UseStore {
 public:
  UseJournal(fs::path path, UseJournalNotes notes) : path_(std::move(path)), notes_(std::move(notes)) {}
  UseJournal(const UseJournal&) = delete;
  UseJournal& operator=(const UseJournal&) = delete;
  ~UseJournal() override { CloseFile(); }

  // Reads the file at `path_` and rewrites it from the records kept; from then
  // on each use is appended to it. What went wrong is told in `opening`; the
  // records read are kept whatever could not be written.
  void Open(const std::string& stamp, UseJournalOpening& opening) {
    CloseFile();
    std::error_code ignored;
    std::optional<std::string> text;
    JournalText read;
    bool readable = true;
    if (fs::exists(path_, ignored) || fs::is_symlink(path_, ignored)) {
      text = ReadRegularFile(path_.string());
      if (!text) {
        readable = false;
        opening.failure = "not a regular file that can be read";
      } else {
        read = ReadRecords(*text);
        if (!read.skipped.empty() && read.recordLines == 0) {
          readable = false;
          opening.failure = "nothing in it is a use record (" + LinesText(read.skipped) + ")";
        }
      }
    }
    records_ = std::move(read.records);
    try {
      // A rewrite that a kill cut short is written over by the next one.
      if (!readable) {
        const fs::path aside = BrokenName(path_, stamp);
        fs::rename(path_, aside);
        opening.movedTo = aside;
      } else if (!read.skipped.empty()) {
        opening.skippedLines = read.skipped;
        const fs::path aside = BrokenName(path_, stamp);
        ReplaceFileAtomically(aside, *text);
        opening.movedTo = aside;
      }
      RewriteRecords(path_, records_);
      StartAppending();
    } catch (const std::exception& error) {
      // Uses are then kept in memory only, and the file is left as it is.
      if (!opening.failure.empty()) opening.failure += "; ";
      opening.failure += error.what();
    }
  }

  std::optional<UseRecord> Find(const UseKey& key) const override {
    const auto found = records_.find(key);
    if (found == records_.end()) return std::nullopt;
    return found->second;
  }

  // A held use is written only when kept, so that a run that did nothing
  // leaves the file as it was. A record dated after `nowMs` (the clock went
  // back, or another machine's ran ahead) is dated `nowMs` from the moment it
  // is first judged, and written so, so that its wait ends one cooldown later
  // across restarts too.
  UseClaim Claim(const UseKey& key, const UseLimits& limits, int64_t nowMs) override {
    NoticeReplacement();
    if (const auto found = records_.find(key); found != records_.end() && found->second.lastMs > nowMs) {
      found->second.lastMs = nowMs;
      try {
        Append(key, found->second);
      } catch (const std::exception& error) {
        Note(std::string("The use store ") + path_.string() + " cannot be kept (" + error.what() +
                 "); uses are counted until the plugin is unloaded",
             true);
      }
    }
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
    NoticeReplacement();
    UseRecord record = Find(key).value_or(UseRecord{});
    ++record.count;
    record.lastMs = nowMs;
    Append(key, record);
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

  // Counted in memory only until the journal learns to write a removal.
  void Forget(const UseKey& key) override { records_.erase(key); }
  void ForgetAll(uint64_t steamId) override {
    for (const auto& use : UsesOf(steamId)) records_.erase(use.first);
  }

 private:
  struct HeldUse {
    UseKey key;
    int64_t atMs = 0;
  };

  void StartAppending() {
    file_ = OpenForAppending(path_);
    if (file_ == nullptr) ThrowWriteError(path_, errno);
    identity_ = IdentityOfFile(file_);
  }

  void CloseFile() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
  }

  void Note(const std::string& text, bool fault) const {
    if (notes_) notes_(text, fault);
  }

  // Before a write: a file at `path_` that is no longer the one appended to (an
  // editor moved a new one over it, or it was removed) is read again, as a load
  // would read it, and appended to from then on.
  void NoticeReplacement() {
    // A file whose identity the system does not tell is taken as unchanged.
    if (file_ == nullptr || !identity_ || IdentityOfPath(path_) == identity_) return;
    std::error_code ignored;
    const bool removed = !fs::exists(path_, ignored) && !fs::is_symlink(path_, ignored);
    UseJournalOpening again;
    Open(UtcFileStamp(), again);
    Note("The use store " + path_.string() +
             (removed ? " was removed while the server ran; uses are counted anew"
                      : " was replaced while the server ran; it was read again"),
         false);
    if (const std::string report = UseJournalReport(path_.string(), again); !report.empty()) Note(report, true);
  }

  // Throws when the line cannot be written; from then on nothing is appended.
  void Append(const UseKey& key, const UseRecord& record) {
    if (file_ == nullptr) return;
    const std::string line = RecordLine(key, record);
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
      // What was written of the line is a torn last line, which the next
      // opening leaves out; nothing more is appended after it.
      const int error = errno;
      CloseFile();
      ThrowWriteError(path_, error);
    }
  }

  fs::path path_;
  UseJournalNotes notes_;
  Records records_;
  std::FILE* file_ = nullptr;
  std::optional<FileIdentity> identity_;
  std::map<uint64_t, HeldUse> held_;
  uint64_t lastTicket_ = 0;
};

}  // namespace

std::vector<std::pair<UseKey, UseRecord>> ReadUseRecords(const fs::path& path) {
  std::error_code ignored;
  if (!fs::exists(path, ignored)) return {};
  const std::optional<std::string> text = ReadRegularFile(path.string());
  if (!text) throw std::runtime_error("not a regular file that can be read");
  const Records records = ReadRecords(*text).records;
  return {records.begin(), records.end()};
}

UseJournalOpening OpenUseJournal(const fs::path& path, const std::string& stamp, UseJournalNotes notes) {
  UseJournalOpening opening;
  auto journal = std::make_unique<UseJournal>(path, std::move(notes));
  journal->Open(stamp, opening);
  opening.store = std::move(journal);
  return opening;
}

std::string UseJournalReport(const std::string& path, const UseJournalOpening& opening) {
  if (!opening.skippedLines.empty()) {
    std::string text = "The use store " + path + " has lines that are no use record (" +
                       LinesText(opening.skippedLines) + "); they are skipped and every other record is kept";
    if (!opening.movedTo.empty()) text += "; the file as it was is copied to " + opening.movedTo.string();
    if (!opening.failure.empty())
      text += "; it cannot be kept (" + opening.failure + "), and uses are counted until the plugin is unloaded";
    return text;
  }
  if (opening.failure.empty()) return "";
  if (!opening.movedTo.empty())
    return "The use store " + path + " could not be read (" + opening.failure + "); it was moved to " +
           opening.movedTo.string() + ", and uses are counted anew";
  return "The use store " + path + " cannot be kept (" + opening.failure +
         "); uses are counted until the plugin is unloaded";
}

std::string UtcFileStamp() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm parts{};
#if defined(_WIN32)
  gmtime_s(&parts, &now);
#else
  gmtime_r(&now, &parts);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &parts);
  return text;
}
