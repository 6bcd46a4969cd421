// The audit lines' file, one a day: spdlog's daily file sink writes to
// "NAME_YYYY-MM-DD.EXT" beside the path it is given and opens the next day's
// file as each day begins; at every opening the day files past the newest kept are removed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <spdlog/common.h>

// The sink of the day files of `path`, keeping the newest `days` of them (1 or
// more). Throws spdlog's error, "Failed opening file PATH for writing: REASON",
// when today's file cannot be opened.
spdlog::sink_ptr OpenDayFiles(const std::string& path, int64_t days);

// Of `names`, the files in the folder of the day files of `base` (a file name
// without its folder), the day files past the newest `days`; `open`, the one
// being written, counts among those kept whatever its date.
std::vector<std::string> ExpiredDayFiles(const std::string& base, const std::string& open,
                                         std::vector<std::string> names, int64_t days);
