// Counts in words, for replies, log lines and the sandbox's listings: the one
// rule for plurals, a noun and its plural with "s".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <fmt/format.h>

// "1 creature", "0 creatures", "8 items".
inline std::string CountOf(int64_t count, std::string_view noun) {
  return fmt::format("{} {}{}", count, noun, count == 1 ? "" : "s");
}

// "once", "2 times": how often something was done.
inline std::string TimesOf(uint64_t count) { return count == 1 ? std::string("once") : fmt::format("{} times", count); }

// "8 items", "1 item", or "3 of 4 items" when fewer were made than asked for:
// the noun agrees with what was asked.
inline std::string CountedOf(int64_t done, int64_t asked, std::string_view noun) {
  if (done == asked) return CountOf(done, noun);
  return fmt::format("{} of {}", done, CountOf(asked, noun));
}
