#include "orvanel/run/Logger.h"

#include <chrono>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>

#include "orvanel/core/ConfigPath.h"
#include "orvanel/core/LogText.h"
#include "orvanel/game/WallClock.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/run/DayFiles.h"

namespace {

constexpr const char* kLogPattern = "%D %R [%n][%l] %v";

void LogAuditFileFailure(const std::string& reason) {
  if (GetLogger())
    GetLogger()->error("The audit file cannot be written ({}); audit lines go to the server's log",
                       EscapeLogText(reason));
}

// The day of an audit line, on the game's wall clock, which the cooldowns count
// on too and a stand-in game can move; the system's clock when the game offers
// none, so that no line is lost for want of it.
int64_t AuditClockMs() noexcept {
  try {
    return WallClockMs();
  } catch (...) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
  }
}

// The day files of the AuditLog's "File" as the last of the audit logger's
// sinks, after the host's, which so get every line whatever becomes of the file.
void AddDayFiles(spdlog::logger& logger, const FeatureSettings& settings) {
  const std::filesystem::path folder = std::filesystem::path(TalvexApi::Tools::GetCurrentDir()) / kPluginFolder;
  try {
    spdlog::sink_ptr file = OpenDayFiles((folder / settings.file).string(), settings.days, AuditClockMs);
    file->set_pattern(kLogPattern);
    logger.sinks().push_back(std::move(file));
  } catch (const std::exception& failure) {
    LogAuditFileFailure(failure.what());
    return;
  }
  // A later failure, as of the next day's file, is reported once as well.
  logger.set_error_handler([reported = false](const std::string& reason) mutable {
    if (!std::exchange(reported, true)) LogAuditFileFailure(reason);
  });
}

}  // namespace

std::shared_ptr<spdlog::logger>& GetLogger() {
  static std::shared_ptr<spdlog::logger> logger;
  return logger;
}

void BuildLogger() {
  auto& sinks = TalvexApi::GetLogSinks();
  // Not entered in spdlog's registry: the registry outlives the plugin.
  GetLogger() = std::make_shared<spdlog::logger>("Dremmet", sinks.begin(), sinks.end());
  GetLogger()->set_pattern(kLogPattern, spdlog::pattern_time_type::local);
  GetLogger()->flush_on(spdlog::level::info);
}

std::shared_ptr<spdlog::logger>& GetAuditLogger() {
  static std::shared_ptr<spdlog::logger> logger;
  return logger;
}

void BuildAuditLogger(const Settings& loaded) {
  GetAuditLogger().reset();
  const auto record = loaded.features.find(kAuditLogFeature);
  if (record == loaded.features.end() || !record->second.enabled) return;
  // The host's sinks have their pattern from BuildLogger.
  auto& sinks = TalvexApi::GetLogSinks();
  auto logger = std::make_shared<spdlog::logger>("Dremmet", sinks.begin(), sinks.end());
  logger->flush_on(spdlog::level::info);
  if (!record->second.file.empty()) AddDayFiles(*logger, record->second);
  GetAuditLogger() = std::move(logger);
}
