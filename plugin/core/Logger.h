// The plugin's logger "Dremmet", writing to the host's shared sinks. The handle
// is empty until Load builds it, and lives until the library is torn down.
#pragma once

#include <memory>

#include <spdlog/logger.h>

std::shared_ptr<spdlog::logger>& GetLogger();

// Replaces the handle with a logger over every sink the host shares.
void BuildLogger();
