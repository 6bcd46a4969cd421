// The checks of each command of the table by its entry under "Commands": whether
// it is registered and can be reached, who may use it and act on others, and each
// kit, group or location of its catalogue with its name, whitelist and limits.
#pragma once

#include "tools/check/CheckRun.h"

namespace check {

void CheckCommands(CheckRun& run);

}  // namespace check
