// The library's entry: attach runs Load, detach runs Unload. An exception must
// never reach the loader, which would end the server process; it is logged and
// the plugin then offers no commands.
#include <exception>

#include "orvanel/core/LogText.h"
#include "orvanel/load/Plugin.h"
#include "orvanel/run/Logger.h"

namespace {

void LogFailure(const char* what) {
  if (GetLogger()) GetLogger()->error("{}", EscapeLogText(what));
}

template <typename Stage>
void RunGuarded(Stage stage) {
  try {
    stage();
  } catch (const std::exception& error) {
    LogFailure(error.what());
  } catch (...) {
    LogFailure("unknown exception");
  }
}

}  // namespace

#if defined(_WIN32)
#include <windows.h>

BOOL APIENTRY DllMain(HMODULE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) RunGuarded(Load);
  if (reason == DLL_PROCESS_DETACH) RunGuarded(Unload);
  return TRUE;
}
#else
__attribute__((constructor)) static void OnLibraryAttach() { RunGuarded(Load); }
__attribute__((destructor)) static void OnLibraryDetach() { RunGuarded(Unload); }
#endif
