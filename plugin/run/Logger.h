// The plugin's logger "Dremmet", writing to the host's shared sinks, and the
// audit lines' own "Dremmet", which writes to the AuditLog's day files as well.
// The handles are empty until Load builds them; the audit one closes at Unload.
#pragma once

#include <memory>

#include <spdlog/logger.h>

#include "orvanel/core/Settings.h"

std::shared_ptr<spdlog::logger>& GetLogger();

// Replaces the handle with a logger over every sink the host shares.
void BuildLogger();

// The logger of the audit lines: empty unless the AuditLog feature was on at load.
std::shared_ptr<spdlog::logger>& GetAuditLogger();

// With the AuditLog feature on in `loaded`: the audit logger over the host's
// sinks and, when its entry names a "File", that file's day files (relative to
// the plugin's folder). A file that cannot be opened or written is logged once
// through GetLogger, and the audit lines go on to the host's sinks.
void BuildAuditLogger(const Settings& loaded);
