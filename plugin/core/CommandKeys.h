// The fixed keys that select each command's entry in "Commands". Players never
// see a key; they type the entry's "Command" text.
#pragma once

inline constexpr const char* kHealthChatKey = "Health_Chat";
inline constexpr const char* kReloadConfigKey = "ReloadConfig_Console";
inline constexpr const char* kHealthConsoleKey = "Health_Console";
inline constexpr const char* kItemTemplateKey = "ItemTemplate_Console";
inline constexpr const char* kSpawnTemplateKey = "SpawnTemplate_Console";
inline constexpr const char* kTeleportToKey = "TeleportTo_Console";
