// The shared store as a library of its own, which the plugin loads from its own
// folder when "Store" is configured and never unloads: the worker that an
// unload tells to end may still be ending after the plugin has gone.
#pragma once

#include "orvanel/core/StoreSettings.h"
#include "orvanel/core/UseStore.h"
#include "orvanel/store/SharedStore.h"

#if defined(_WIN32)
inline constexpr const char* kStoreLibraryFile = "OrvanelStore.dll";
#else
inline constexpr const char* kStoreLibraryFile = "libOrvanelStore.so";
#endif

// The library's one export: OpenSharedStore over the system's ODBC. It takes
// `local` over; the caller deletes the store it returns, never null.
inline constexpr const char* kStoreLibraryEntry = "OrvanelOpenSharedStore";
using StoreLibraryEntry = SharedStore* (*)(const StoreSettings& settings, UseStore* local,
                                           const SharedStoreNotes& notes);
