// The checks of what load and reload refuse: every "Commands" and "Features"
// entry read as load reads it, a failing entry narrowed to each member that
// fails alone, the refresh of reload; and a file that offers no command.
#pragma once

#include "tools/check/CheckRun.h"

namespace check {

void CheckLoad(CheckRun& run);

// A file that loads but registers no command leaves the plugin with nothing to offer.
void CheckSomethingIsOffered(CheckRun& run);

}  // namespace check
