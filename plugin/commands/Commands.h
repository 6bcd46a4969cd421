// The command handlers, in the host's handler shapes.
#pragma once

#include "host/Engine.h"
