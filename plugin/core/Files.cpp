#include "orvanel/core/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

std::optional<std::string> ReadRegularFile(const std::string& path) {
  std::error_code kind_unknown;
  std::ifstream file;
  if (std::filesystem::is_regular_file(path, kind_unknown)) file.open(path, std::ios::binary);
  if (!file.is_open()) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return std::move(text).str();
}

void ReplaceFileAtomically(const std::filesystem::path& path, std::string_view text) {
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  std::FILE* file = std::fopen(temporary.string().c_str(), "wb");
  const auto fail = [&temporary](int error) {
    throw std::runtime_error("cannot write " + temporary.string() + ": " + std::strerror(error));
  };
  if (file == nullptr) fail(errno);
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  written = written && std::fflush(file) == 0;
#if defined(_WIN32)
  written = written && _commit(_fileno(file)) == 0;
#else
  written = written && fsync(fileno(file)) == 0;
#endif
  written = std::fclose(file) == 0 && written;
  if (!written) {
    const int error = errno;
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    fail(error);
  }
  std::filesystem::rename(temporary, path);
}
