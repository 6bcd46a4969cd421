// The store of uses that cooldowns and use limits count, opened at load with
// the Cooldowns feature on: the journal beside config.json.
#pragma once

#include <memory>

#include "orvanel/core/UseStore.h"

// Never null: lines that are no record are skipped and the file copied aside,
// one with no record is moved aside, and where nothing can be written the uses
// are kept in memory; each is logged once, as is the journal read again when
// it was replaced or removed while open.
std::unique_ptr<UseStore> OpenUses();
