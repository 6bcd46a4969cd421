// The prompt at a terminal: lines edited with libedit in UTF-8, with a history
// kept in ~/.orvanel_sandbox_history. Ctrl-C clears the line; Ctrl-C twice on
// an empty line, or Ctrl-D on one, leaves. Where no line-editing library is
// built in: plain line input.
#pragma once

#include <functional>
#include <string>

namespace sandbox {

// Reads lines until the person leaves, `run` says to stop or a signal asks the
// session to end; each line goes to `run`, which says whether to go on.
void RunPrompt(const std::function<bool(const std::string&)>& run);

}  // namespace sandbox
