// The store library's entry (StoreLibrary.h): the plugin calls it by name.
#include "orvanel/store/StoreLibrary.h"

#include <memory>

#if defined(_WIN32)
#define ORVANEL_STORE_EXPORT __declspec(dllexport)
#else
#define ORVANEL_STORE_EXPORT __attribute__((visibility("default")))
#endif

// Its type is StoreLibraryEntry; the check below holds the two together.
extern "C" ORVANEL_STORE_EXPORT SharedStore* OrvanelOpenSharedStore(const StoreSettings& settings, UseStore* local,
                                                                    const SharedStoreNotes& notes) {
  return OpenSharedStore(settings, std::unique_ptr<UseStore>(local), notes).release();
}

static_assert(std::is_same_v<decltype(&OrvanelOpenSharedStore), StoreLibraryEntry>);
