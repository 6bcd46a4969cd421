#include "orvanel/run/Uses.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "orvanel/core/ConfigPath.h"
#include "orvanel/core/LogText.h"
#include "orvanel/core/UseJournal.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/run/Logger.h"
#include "orvanel/store/StoreLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

// A store's note in one line: trouble as an error, the rest at `level`.
void LogNote(const std::string& text, bool fault, spdlog::level::level_enum level) {
  if (!GetLogger()) return;
  GetLogger()->log(fault ? spdlog::level::err : level, "{}", EscapeLogText(text));
}

// The journal's trouble, at opening and whenever it reads the file again
// while the server runs.
std::unique_ptr<UseStore> OpenJournal() {
  const std::string path = TalvexApi::Tools::GetCurrentDir() + "/" + kPluginFolder + "/" + kUseJournalFile;
  UseJournalOpening opening = OpenUseJournal(
      path, UtcFileStamp(), [](const std::string& text, bool fault) { LogNote(text, fault, spdlog::level::warn); });
  const std::string report = UseJournalReport(path, opening);
  if (!report.empty() && GetLogger()) GetLogger()->error("{}", EscapeLogText(report));
  return std::move(opening.store);
}

// The shared store's connection made, lost and back.
void LogStore(const std::string& text, bool fault) { LogNote(text, fault, spdlog::level::info); }

// The store library from the plugin's own folder, loaded for good (the worker
// of a store may end after the plugin has been unloaded); null with `why`.
#if defined(_WIN32)
StoreLibraryEntry LoadStoreLibrary(std::string& why) {
  HMODULE plugin = nullptr;
  std::wstring path(32768, L'\0');
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&LogStore), &plugin) == 0) {
    why = "the plugin's folder is unknown (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  path.resize(GetModuleFileNameW(plugin, path.data(), static_cast<DWORD>(path.size())));
  path.erase(path.find_last_of(L"\\/") + 1);
  for (const char* letter = kStoreLibraryFile; *letter != '\0'; ++letter) path.push_back(static_cast<wchar_t>(*letter));
  HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  HMODULE pinned = nullptr;
  if (library == nullptr || GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, path.c_str(), &pinned) == 0) {
    why = std::string(kStoreLibraryFile) + " cannot be loaded from the plugin's folder (error " +
          std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  auto entry =
      reinterpret_cast<StoreLibraryEntry>(reinterpret_cast<void*>(GetProcAddress(library, kStoreLibraryEntry)));
  if (entry == nullptr) why = std::string(kStoreLibraryFile) + " has no " + kStoreLibraryEntry;
  return entry;
}
#else
StoreLibraryEntry LoadStoreLibrary(std::string& why) {
  Dl_info plugin{};
  if (dladdr(reinterpret_cast<void*>(&LogStore), &plugin) == 0 || plugin.dli_fname == nullptr) {
    why = "the plugin's folder is unknown";
    return nullptr;
  }
  // The plugin is loaded by its path, so the name holds a slash.
  std::string path = plugin.dli_fname;
  path.erase(path.rfind('/') + 1);
  path += kStoreLibraryFile;
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (library == nullptr) {
    const char* error = dlerror();
    why = error != nullptr ? error : path + " cannot be loaded";
    return nullptr;
  }
  auto entry = reinterpret_cast<StoreLibraryEntry>(dlsym(library, kStoreLibraryEntry));
  if (entry == nullptr) why = std::string(kStoreLibraryFile) + " has no " + kStoreLibraryEntry;
  return entry;
}
#endif

// A shared store whose library is missing: what it would do while the
// database cannot be reached, for as long as the plugin runs.
class StoreWithoutLibrary final : public UseStore {
 public:
  explicit StoreWithoutLibrary(std::string server) : server_(std::move(server)) {}
  UseClaim Claim(const UseKey&, const UseLimits&, int64_t) override {
    return UseClaim{UseVerdict{UseVerdictKind::Unreachable, 0, 0}, 0};
  }
  void Keep(uint64_t) override {}
  void GiveBack(uint64_t) override {}
  std::optional<UseRecord> Find(const UseKey&) const override { throw Unanswered(); }
  UseRecord Record(const UseKey&, int64_t) override { throw Unanswered(); }
  std::vector<std::pair<UseKey, UseRecord>> UsesOf(uint64_t) const override { throw Unanswered(); }
  void Forget(const UseKey&) override { throw Unanswered(); }
  void ForgetAll(uint64_t) override { throw Unanswered(); }

 private:
  std::runtime_error Unanswered() const { return std::runtime_error(SharedStoreUnanswered(server_)); }
  std::string server_;
};

}  // namespace

std::unique_ptr<UseStore> OpenUses(const std::optional<StoreSettings>& store) {
  if (!store) return OpenJournal();
  std::unique_ptr<UseStore> local = store->whenUnreachable == WhenUnreachable::Local ? OpenJournal() : nullptr;
  std::string why;
  const StoreLibraryEntry open = LoadStoreLibrary(why);
  if (open == nullptr) {
    LogStore(
        "The use store \"" + store->server + "\" cannot be opened (" + why + "); " +
            (local ? "uses are counted on this server only, unseen by the others." : "limited entries are refused."),
        true);
    if (local) return local;
    return std::make_unique<StoreWithoutLibrary>(store->server);
  }
  return std::unique_ptr<UseStore>(open(*store, local.release(), LogStore));
}
