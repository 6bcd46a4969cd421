#include "sandbox/host/Host.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/sinks/stdout_sinks.h>

#include "orvanel/host/TalvexApi.h"
#include "sandbox/game/Names.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/Utf8.h"
#include "sandbox/game/World.h"

namespace sandbox {
namespace {

using nlohmann::json;

// Turns every log line into an event, with the message as the plugin wrote it.
class EventSink final : public spdlog::sinks::base_sink<std::mutex> {
 protected:
  void sink_it_(const spdlog::details::log_msg& message) override {
    const auto level = spdlog::level::to_string_view(message.level);
    sim::Emit({{"event", "log"},
               {"logger", std::string(message.logger_name.data(), message.logger_name.size())},
               {"level", std::string(level.data(), level.size())},
               {"text", std::string(message.payload.data(), message.payload.size())}});
  }
  void flush_() override {}
};

enum class CommandKind { Chat, Console };

const char* KindName(CommandKind kind) { return kind == CommandKind::Chat ? "chat" : "console"; }

struct Registration {
  CommandKind kind;
  WideString text;
  // Held by pointer so that a registration the plugin left behind can be
  // dropped without running its destructor, whose code left with the plugin.
  std::unique_ptr<TalvexApi::ChatCommandCallback> chat;
  std::unique_ptr<TalvexApi::ConsoleCommandCallback> console;
};

struct HostState {
  HostOptions options;
  std::vector<spdlog::sink_ptr> sinks;
  std::shared_ptr<spdlog::logger> log;
  std::vector<Registration> registrations;
  void* plugin = nullptr;
  std::filesystem::path pluginPath;
};

// Handlers dropped after their plugin left: never destroyed, only kept, for
// the life of the process.
std::vector<void*>* const abandoned = new std::vector<void*>;

HostState& State() {
  static HostState state;
  return state;
}

const char* const kLogPattern = "%D %R [%n][%l] %v";

// The plugin library as the platform's loader sees it. Every symbol is bound at
// load, so a host function the plugin names and the host lacks fails the load.
#if defined(_WIN32)
void* OpenLibrary(const std::filesystem::path& library, std::string& error) {
  HMODULE handle = LoadLibraryW(library.c_str());
  if (handle == nullptr) error = "error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(handle);
}
void CloseLibrary(void* handle) { FreeLibrary(reinterpret_cast<HMODULE>(handle)); }
bool StillLoaded(const std::filesystem::path& library) {
  return GetModuleHandleW(std::filesystem::path(library).make_preferred().c_str()) != nullptr;
}
#else
void* OpenLibrary(const std::filesystem::path& library, std::string& error) {
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) error = dlerror();
  return handle;
}
void CloseLibrary(void* handle) { dlclose(handle); }
bool StillLoaded(const std::filesystem::path& library) {
  void* still = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (still != nullptr) dlclose(still);
  return still != nullptr;
}
#endif

void Register(CommandKind kind, const FString& command, std::unique_ptr<TalvexApi::ChatCommandCallback> chat,
              std::unique_ptr<TalvexApi::ConsoleCommandCallback> console) {
  Registration registration{kind, WideString(command.View()), std::move(chat), std::move(console)};
  sim::Emit({{"event", "register"}, {"kind", KindName(kind)}, {"text", sim::ToUtf8(registration.text)}});
  State().registrations.push_back(std::move(registration));
}

bool Unregister(CommandKind kind, const FString& command) {
  auto& registrations = State().registrations;
  const WideString text(command.View());
  const auto found = std::find_if(registrations.begin(), registrations.end(),
                                  [&](const Registration& entry) { return entry.kind == kind && entry.text == text; });
  if (found == registrations.end()) {
    HostLog().warn("The plugin removed the {} command \"{}\", which is not registered", KindName(kind),
                   sim::ToUtf8(text));
    return false;
  }
  registrations.erase(found);
  sim::Emit({{"event", "unregister"}, {"kind", KindName(kind)}, {"text", sim::ToUtf8(text)}});
  return true;
}

class Commands final : public TalvexApi::ICommands {
 public:
  void Unused0() override {}
  void RegisterChatCommand(const FString& command, const TalvexApi::ChatCommandCallback& callback) override {
    Register(CommandKind::Chat, command, std::make_unique<TalvexApi::ChatCommandCallback>(callback), nullptr);
  }
  void RegisterConsoleCommand(const FString& command, const TalvexApi::ConsoleCommandCallback& callback) override {
    Register(CommandKind::Console, command, nullptr, std::make_unique<TalvexApi::ConsoleCommandCallback>(callback));
  }
  void Unused3() override {}
  void Unused4() override {}
  void Unused5() override {}
  void Unused6() override {}
  bool UnregisterChatCommand(const FString& command) override { return Unregister(CommandKind::Chat, command); }
  bool UnregisterConsoleCommand(const FString& command) override { return Unregister(CommandKind::Console, command); }
};

class ApiUtils final : public TalvexApi::IApiUtils {
 public:
  void Unused0() override {}
  UWorld* GameWorld() override {
    if (sim::GetWorld().faults.noGameWorld) return nullptr;
    return reinterpret_cast<UWorld*>(sim::GetWorld().world);
  }
};

TCHAR LowerAscii(TCHAR c) { return c >= TEXT('A') && c <= TEXT('Z') ? TCHAR(c - TEXT('A') + TEXT('a')) : c; }

// Command words match without regard to the case of ASCII letters.
bool SameCommandWord(WideStringView word, WideStringView command) {
  return word.size() == command.size() && std::equal(word.begin(), word.end(), command.begin(),
                                                     [](TCHAR a, TCHAR b) { return LowerAscii(a) == LowerAscii(b); });
}

Registration* FindRegistration(CommandKind kind, WideStringView text) {
  const WideStringView word = text.substr(0, text.find(TEXT(' ')));
  for (Registration& registration : State().registrations)
    if (registration.kind == kind && SameCommandWord(word, registration.text)) return &registration;
  return nullptr;
}

// Runs a handler as a careful host does: whatever it throws is logged and
// shown, and the server goes on. A contract violation was reported where the
// game found it; it only ends the command.
template <typename Call>
void RunHandler(const WideString& command, Call call) {
  try {
    call();
    return;
  } catch (const sim::ContractViolation& violation) {
    sim::Emit({{"event", "contract-violation"}, {"command", sim::ToUtf8(command)}, {"error", violation.message}});
  } catch (const std::exception& error) {
    HostLog().error("The command \"{}\" failed: {}", sim::ToUtf8(command), error.what());
    sim::Emit({{"event", "handler-error"}, {"command", sim::ToUtf8(command)}, {"error", error.what()}});
  } catch (...) {
    HostLog().error("The command \"{}\" failed with an unknown exception", sim::ToUtf8(command));
    sim::Emit({{"event", "handler-error"}, {"command", sim::ToUtf8(command)}, {"error", "unknown exception"}});
  }
}

void Dispatch(CommandKind kind, sim::Controller* player, const std::string& text) {
  const WideString wide = sim::FromUtf8(text);
  Registration* registration = FindRegistration(kind, wide);
  if (registration == nullptr) {
    sim::Emit({{"event", "unknown-command"}, {"kind", KindName(kind)}, {"from", player->name}, {"text", text}});
    return;
  }
  // The game hands the line over as engine text in its own memory.
  FString line{WideStringView(wide)};
  const WideString command = registration->text;
  if (kind == CommandKind::Chat) {
    const TalvexApi::ChatCommandCallback callback = *registration->chat;
    RunHandler(command, [&] {
      callback(reinterpret_cast<AShooterPlayerController*>(player), &line, EChatSendMode::GlobalChat);
    });
  } else {
    const TalvexApi::ConsoleCommandCallback callback = *registration->console;
    RunHandler(command, [&] { callback(reinterpret_cast<APlayerController*>(player), &line, false); });
  }
}

}  // namespace

spdlog::logger& HostLog() { return *State().log; }

void StartHost(const HostOptions& options) {
  if (State().plugin != nullptr) UnloadPlugin();
  State().registrations.clear();
  sim::ResetRecorder();
  sim::ResetWorld();
  State().options = options;
  State().sinks.clear();
  if (options.consoleLog) {
#if defined(_WIN32)
    // The console sink writes to the handle past the C library's buffer; an
    // unbuffered stdout keeps the program's lines and the log's in order.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
#endif
    if (options.color)
      State().sinks.push_back(std::make_shared<spdlog::sinks::stdout_color_sink_mt>(spdlog::color_mode::always));
    else
      State().sinks.push_back(std::make_shared<spdlog::sinks::stdout_sink_mt>());
  }
  const std::filesystem::path logs = options.root / "TalvexApi" / "Logs";
  std::error_code ignored;
  std::filesystem::create_directories(logs, ignored);
  try {
    State().sinks.push_back(std::make_shared<spdlog::sinks::basic_file_sink_mt>((logs / "TalvexApi.log").string()));
  } catch (const spdlog::spdlog_ex&) {
    // A read-only server directory only costs the log file.
  }
  State().sinks.push_back(std::make_shared<EventSink>());
  State().log = std::make_shared<spdlog::logger>("TalvexApi", State().sinks.begin(), State().sinks.end());
  State().log->set_pattern(kLogPattern);
  State().log->flush_on(spdlog::level::info);
}

void StopHost() {
  if (State().plugin != nullptr) UnloadPlugin();
  State().registrations.clear();
  sim::ResetWorld();
  if (State().log) State().log->flush();
  State().log.reset();
  State().sinks.clear();
}

bool LoadPlugin(const std::filesystem::path& library) {
  if (State().plugin != nullptr) UnloadPlugin();
  HostLog().info("Loading plugin {}", library.filename().string());
  std::string error;
  void* handle = OpenLibrary(library, error);
  if (handle == nullptr) {
    HostLog().error("Could not load plugin {}: {}", library.string(), error);
    return false;
  }
  State().plugin = handle;
  State().pluginPath = library;
  return true;
}

void UnloadPlugin() {
  if (State().plugin == nullptr) return;
  HostLog().info("Unloading plugin {}", State().pluginPath.filename().string());
#if defined(_WIN32)
  // spdlog is compiled into each module here: the formatter the plugin put in
  // the shared sinks is its code, so it is replaced while that code is there.
  State().log->set_pattern(kLogPattern);
#endif
  CloseLibrary(State().plugin);
  State().plugin = nullptr;
  if (StillLoaded(State().pluginPath)) {
    HostLog().warn("The plugin {} stayed in memory after it was unloaded", State().pluginPath.filename().string());
  }
  for (Registration& left : State().registrations) {
    HostLog().warn("The plugin left the {} command \"{}\" registered; it is dropped", KindName(left.kind),
                   sim::ToUtf8(left.text));
    abandoned->push_back(left.chat.release());
    abandoned->push_back(left.console.release());
  }
  State().registrations.clear();
}

bool PluginLoaded() { return State().plugin != nullptr; }

void Chat(sim::Controller* player, const std::string& text) { Dispatch(CommandKind::Chat, player, text); }
void Console(sim::Controller* player, const std::string& line) { Dispatch(CommandKind::Console, player, line); }

}  // namespace sandbox

namespace TalvexApi {

ICommands& GetCommands() {
  static sandbox::Commands commands;
  return commands;
}

IApiUtils& GetApiUtils() {
  static sandbox::ApiUtils utils;
  return utils;
}

std::vector<spdlog::sink_ptr>& GetLogSinks() { return sandbox::State().sinks; }

// Game members by name, as the game's name table answers them.
void* GetAddress(const std::string& name) { return sim::FunctionEntry(name); }

uint64_t GetAddress(const void* object, const std::string& name) { return sim::FieldAddress(object, name); }

BitField GetBitField(const void* object, const std::string& name) {
  const sim::BitFieldPlace place = sim::BitFieldOf(object, name);
  return BitField{place.word, place.position, place.width};
}

BitField GetBitField(void* object, const std::string& name) {
  return GetBitField(static_cast<const void*>(object), name);
}

AShooterPlayerController* IApiUtils::FindPlayerFromSteamId(uint64_t steam_id) const {
  sim::Controller* player = sim::FindPlayerBySteamId(steam_id);
  return player != nullptr && player->online ? reinterpret_cast<AShooterPlayerController*>(player) : nullptr;
}

uint64_t IApiUtils::GetSteamIdFromController(AController* controller) {
  return controller == nullptr ? 0 : reinterpret_cast<sim::Controller*>(controller)->steamId;
}

namespace Tools {

std::string GetCurrentDir() { return sandbox::State().options.root.string(); }

WideString ConvertToWideStr(const std::string& text) { return sim::FromUtf8(text); }

}  // namespace Tools
}  // namespace TalvexApi
