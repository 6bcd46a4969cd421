#include "orvanel/run/DayFiles.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

#include <spdlog/details/file_helper.h>
#include <spdlog/details/os.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/daily_file_sink.h>

namespace {

// The parts of a day file's name before and after its date, by the sink's own
// naming: "audit.log" gives "audit_" and ".log".
std::pair<std::string, std::string> AroundDate(const std::string& base) {
  std::tm day{};
  day.tm_year = 100;  // 2000-01-01
  day.tm_mday = 1;
  const std::string sample = spdlog::sinks::daily_filename_calculator::calc_filename(base, day);
  const std::size_t date = sample.rfind("2000-01-01");
  return {sample.substr(0, date), sample.substr(date + 10)};
}

// "YYYY-MM-DD" as a day of the calendar, as the sink names them: the text
// itself when it is one ("2026-02-29" is none), which sorts as the days do.
std::optional<std::string_view> RealDate(std::string_view text) {
  if (text.size() != 10) return std::nullopt;
  for (std::size_t at = 0; at < text.size(); ++at)
    if (at == 4 || at == 7 ? text[at] != '-' : std::isdigit(static_cast<unsigned char>(text[at])) == 0)
      return std::nullopt;
  const auto number = [text](std::size_t at, std::size_t size) {
    int value = 0;
    for (std::size_t digit = at; digit < at + size; ++digit) value = value * 10 + (text[digit] - '0');
    return value;
  };
  const int year = number(0, 4);
  const int month = number(5, 2);
  const int day = number(8, 2);
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return std::nullopt;
  if (day > kMonthDays[month - 1] + (month == 2 && leap ? 1 : 0)) return std::nullopt;
  return text;
}

// Removes the expired day files beside `open`, the file just opened. A file
// that cannot be listed or removed stays until the next opening: the audit
// line matters more than the count of files.
void RemoveExpiredDayFiles(const spdlog::filename_t& open, const std::string& base, int64_t days) noexcept {
  try {
    const std::filesystem::path opened(open);
    const std::filesystem::path folder = opened.has_parent_path() ? opened.parent_path() : ".";
    std::vector<std::string> names;
    std::error_code error;
    // Only regular files, never a folder or a link that bears such a name.
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
      if (entry->symlink_status(error).type() == std::filesystem::file_type::regular)
        names.push_back(entry->path().filename().string());
    for (const std::string& name : ExpiredDayFiles(base, opened.filename().string(), std::move(names), days))
      std::filesystem::remove(folder / name, error);
  } catch (...) {
  }
}

// The day files' sink: each line goes to the file of the day `clock` tells
// when it is written, opened anew whenever that day is another than the open
// file's. The lines carry that moment as their time, so that a file holds its
// own day's lines whichever clock the game keeps.
class DayFileSink final : public spdlog::sinks::base_sink<std::mutex> {
 public:
  DayFileSink(std::string path, spdlog::file_event_handlers handlers, DayClock clock)
      : path_(std::move(path)), file_(handlers), clock_(std::move(clock)) {
    OpenDay(clock_());
  }

 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override {
    const int64_t now = clock_();
    OpenDay(now);
    spdlog::details::log_msg stamped = msg;
    stamped.time = spdlog::log_clock::time_point(std::chrono::milliseconds(now));
    spdlog::memory_buf_t formatted;
    formatter_->format(stamped, formatted);
    file_.write(formatted);
  }

  void flush_() override { file_.flush(); }

 private:
  // Throws spdlog's error when the day's file cannot be opened.
  void OpenDay(int64_t nowMs) {
    const auto seconds = static_cast<std::time_t>(nowMs / 1000 - (nowMs % 1000 < 0 ? 1 : 0));
    spdlog::filename_t name =
        spdlog::sinks::daily_filename_calculator::calc_filename(path_, spdlog::details::os::localtime(seconds));
    if (name == opened_) return;
    // A file that failed to open is tried again at the next line, never written to.
    opened_.clear();
    file_.open(name);
    opened_ = std::move(name);
  }

  spdlog::filename_t path_;
  spdlog::details::file_helper file_;
  spdlog::filename_t opened_;
  DayClock clock_;
};

}  // namespace

std::vector<std::string> ExpiredDayFiles(const std::string& base, const std::string& open,
                                         std::vector<std::string> names, int64_t days) {
  const auto [prefix, suffix] = AroundDate(base);
  const auto date_of = [&prefix = prefix,
                        &suffix = suffix](const std::string& name) -> std::optional<std::string_view> {
    if (name.size() != prefix.size() + 10 + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
      return std::nullopt;
    return RealDate(std::string_view(name).substr(prefix.size(), 10));
  };
  // The open file is today's: a day after it is none the sink wrote.
  const std::optional<std::string_view> today = date_of(open);
  if (!today) return {};
  std::vector<std::string> others;
  for (std::string& name : names)
    if (const auto date = date_of(name); name != open && date && *date <= *today) others.push_back(std::move(name));
  // Names that differ only in their dates sort as the dates do: newest first.
  std::sort(others.begin(), others.end(), std::greater<>());
  const std::size_t kept = static_cast<std::size_t>(std::min<int64_t>(days - 1, static_cast<int64_t>(others.size())));
  others.erase(others.begin(), others.begin() + static_cast<std::ptrdiff_t>(kept));
  return others;
}

spdlog::sink_ptr OpenDayFiles(const std::string& path, int64_t days, DayClock clock) {
  // Removed at each opening, not by a count of files kept at a day's turn:
  // after a day without the server, or with "Days" lowered, older files would
  // stay for good.
  spdlog::file_event_handlers handlers;
  handlers.after_open = [base = std::filesystem::path(path).filename().string(), days](
                            const spdlog::filename_t& open, std::FILE*) { RemoveExpiredDayFiles(open, base, days); };
  return std::make_shared<DayFileSink>(path, handlers, std::move(clock));
}
