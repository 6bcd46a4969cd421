// A plugin that registers a command at load and forgets to remove it at
// unload, for testing what the host does with what a plugin leaves behind.
#include "orvanel/host/TalvexApi.h"

namespace {

void Answer(APlayerController*, FString*, bool) {}

__attribute__((constructor)) void OnAttach() {
  const FString command(WideStringView(TEXT("leftover")));
  TalvexApi::GetCommands().RegisterConsoleCommand(command, TalvexApi::ConsoleCommandCallback(Answer));
}

}  // namespace
