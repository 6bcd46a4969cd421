// The store of uses that cooldowns and use limits count, opened at load with
// the Cooldowns feature on: the journal beside config.json, or the database
// its "Store" entry names, shared by the servers of a cluster.
#pragma once

#include <memory>

#include <optional>

#include "orvanel/core/StoreSettings.h"
#include "orvanel/core/UseStore.h"

// Never null: lines that are no record are skipped and the file copied aside,
// one with no record is moved aside, and where nothing can be written the uses
// are kept in memory; each is logged once, as is the journal read again when
// it was replaced or removed while open.
// With `store`, the shared store, whose worker connects in the background and
// logs the connection's loss and return once each; its journal counts while it
// cannot answer when it says "local".
std::unique_ptr<UseStore> OpenUses(const std::optional<StoreSettings>& store = std::nullopt);
