#include "orvanel/core/Uses.h"

#include <chrono>
#include <ctime>
#include <string>
#include <utility>

#include "orvanel/core/ConfigPath.h"
#include "orvanel/core/Logger.h"
#include "orvanel/core/UseJournal.h"
#include "orvanel/host/TalvexApi.h"

namespace {

// The moment a file is moved aside, in its name: YYYYMMDD-HHMMSS, UTC.
std::string FileStamp() {
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

}  // namespace

std::unique_ptr<UseStore> OpenUses() {
  const std::string path = TalvexApi::Tools::GetCurrentDir() + "/" + kPluginFolder + "/" + kUseJournalFile;
  UseJournalOpening opening = OpenUseJournal(path, FileStamp());
  if (!opening.failure.empty() && GetLogger()) {
    if (!opening.movedTo.empty())
      GetLogger()->error("The use store {} could not be read ({}); it was moved to {}, and uses are counted anew", path,
                         opening.failure, opening.movedTo.string());
    else
      GetLogger()->error("The use store {} cannot be kept ({}); uses are counted until the plugin is unloaded", path,
                         opening.failure);
  }
  return std::move(opening.store);
}
