// The store of uses that cooldowns and use limits count, opened at load with
// the Cooldowns feature on: the journal beside config.json.
#pragma once

#include <memory>

#include "orvanel/core/UseStore.h"

// Never null: where the journal cannot be read it is moved aside, and where
// nothing can be written the uses are kept in memory; either is logged once.
std::unique_ptr<UseStore> OpenUses();
