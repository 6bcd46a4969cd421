#include "orvanel/core/Logger.h"

#include "orvanel/host/TalvexApi.h"

std::shared_ptr<spdlog::logger>& GetLogger() {
  static std::shared_ptr<spdlog::logger> logger;
  return logger;
}

void BuildLogger() {
  auto& sinks = TalvexApi::GetLogSinks();
  // Not entered in spdlog's registry: the registry outlives the plugin.
  GetLogger() = std::make_shared<spdlog::logger>("Dremmet", sinks.begin(), sinks.end());
  GetLogger()->set_pattern("%D %R [%n][%l] %v", spdlog::pattern_time_type::local);
  GetLogger()->flush_on(spdlog::level::info);
}
