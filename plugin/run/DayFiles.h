// The audit lines' file, one a day: "NAME_YYYY-MM-DD.EXT" beside the path it is
// given, named as spdlog's daily files are, the day told by a clock of the
// caller's; at every opening the day files past the newest kept are removed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <spdlog/common.h>

// Milliseconds since 1970-01-01 UTC, asked at each line written; the day is the
// local date of that moment.
using DayClock = std::function<int64_t()>;

// The sink of the day files of `path`, keeping the newest `days` of them (1 or
// more): each line goes to the file of the day `clock` tells, and bears that
// moment. Throws spdlog's error, "Failed opening file PATH for writing:
// REASON", when today's file cannot be opened; a later day's file that cannot
// be opened throws at its line, to the logger's error handler.
spdlog::sink_ptr OpenDayFiles(const std::string& path, int64_t days, DayClock clock);

// Of `names`, the regular files in the folder of the day files of `base` (a
// file name without its folder), the day files past the newest `days`; `open`,
// the one being written, is today's and counts among those kept. Only a name
// of the pattern with a real date not after today's is a day file: nothing
// else is ever among those returned.
std::vector<std::string> ExpiredDayFiles(const std::string& base, const std::string& open,
                                         std::vector<std::string> names, int64_t days);
