#include "orvanel/core/DayFiles.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string_view>
#include <utility>

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

bool IsDate(std::string_view text) {
  if (text.size() != 10) return false;
  for (std::size_t at = 0; at < text.size(); ++at)
    if (at == 4 || at == 7 ? text[at] != '-' : std::isdigit(static_cast<unsigned char>(text[at])) == 0) return false;
  return true;
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
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
      names.push_back(entry->path().filename().string());
    for (const std::string& name : ExpiredDayFiles(base, opened.filename().string(), std::move(names), days))
      std::filesystem::remove(folder / name, error);
  } catch (...) {
  }
}

}  // namespace

std::vector<std::string> ExpiredDayFiles(const std::string& base, const std::string& open,
                                         std::vector<std::string> names, int64_t days) {
  const auto [prefix, suffix] = AroundDate(base);
  std::vector<std::string> others;
  for (std::string& name : names)
    if (name != open && name.size() == prefix.size() + 10 + suffix.size() && name.starts_with(prefix) &&
        name.ends_with(suffix) && IsDate(std::string_view(name).substr(prefix.size(), 10)))
      others.push_back(std::move(name));
  // Names that differ only in their dates sort as the dates do: newest first.
  std::sort(others.begin(), others.end(), std::greater<>());
  const std::size_t kept = static_cast<std::size_t>(std::min<int64_t>(days - 1, static_cast<int64_t>(others.size())));
  others.erase(others.begin(), others.begin() + static_cast<std::ptrdiff_t>(kept));
  return others;
}

spdlog::sink_ptr OpenDayFiles(const std::string& path, int64_t days) {
  // The sink's own count of files (max_files) removes only at a day's turn,
  // and only among the unbroken run of days before it: after a day without
  // the server, or with "Days" lowered, older files would stay for good.
  spdlog::file_event_handlers handlers;
  handlers.after_open = [base = std::filesystem::path(path).filename().string(), days](
                            const spdlog::filename_t& open, std::FILE*) { RemoveExpiredDayFiles(open, base, days); };
  return std::make_shared<spdlog::sinks::daily_file_sink_mt>(path, 0, 0, false, uint16_t{0}, handlers);
}
