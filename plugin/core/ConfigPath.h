// Where the plugin's files lie in a server tree: its folder and config.json,
// relative to the directory the host reports as its current one. Host-free, so
// that the sandbox and the tools name the same place as the plugin.
#pragma once

inline constexpr const char* kPluginFolder = "TalvexApi/Plugins/Orvanel";
inline constexpr const char* kConfigFileInServer = "TalvexApi/Plugins/Orvanel/config.json";
