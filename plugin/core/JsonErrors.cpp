#include "orvanel/core/JsonErrors.h"

std::string_view WithoutJsonErrorId(std::string_view what) {
  if (!what.starts_with("[json.exception.")) return what;
  const std::size_t close = what.find("] ");
  if (close != std::string_view::npos) what.remove_prefix(close + 2);
  return what;
}

std::string JsonErrorReason(std::string_view what) {
  if (!what.starts_with("[json.exception.")) return std::string(what);
  what = WithoutJsonErrorId(what);
  if (what.starts_with("(/") || what.starts_with("() ")) {
    const std::size_t end = what.find(") ");
    if (end != std::string_view::npos) what.remove_prefix(end + 2);
  }
  return std::string(what);
}

std::string JsonErrorWithPlace(std::string_view what) {
  if (!what.starts_with("[json.exception.")) return std::string(what);
  what = WithoutJsonErrorId(what);
  if (what.starts_with("() ")) return std::string(what.substr(3));
  if (what.starts_with("(/")) {
    const std::size_t end = what.find(") ");
    if (end != std::string_view::npos)
      return std::string(what.substr(1, end - 1)) + ": " + std::string(what.substr(end + 2));
  }
  return std::string(what);
}
