// A careless plugin, for testing what the host does with what a plugin leaves
// behind: it registers "leftover" at load and forgets to remove it at unload,
// and its "throw" lets an exception out of the callback.
#include <stdexcept>

#include "orvanel/host/TalvexApi.h"

namespace {

void Answer(APlayerController*, FString*, bool) {}

void Throw(APlayerController*, FString*, bool) { throw std::runtime_error("thrown on purpose"); }

__attribute__((constructor)) void OnAttach() {
  TalvexApi::GetCommands().RegisterConsoleCommand(FString(WideStringView(TEXT("leftover"))),
                                                  TalvexApi::ConsoleCommandCallback(Answer));
  TalvexApi::GetCommands().RegisterConsoleCommand(FString(WideStringView(TEXT("throw"))),
                                                  TalvexApi::ConsoleCommandCallback(Throw));
}

}  // namespace
