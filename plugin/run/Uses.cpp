#include "orvanel/run/Uses.h"

#include <string>
#include <utility>

#include "orvanel/core/ConfigPath.h"
#include "orvanel/core/LogText.h"
#include "orvanel/core/UseJournal.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/run/Logger.h"
#include "orvanel/store/SharedStore.h"

// The journal's trouble, at opening and whenever it reads the file again
// while the server runs, each in one line.
namespace {

std::unique_ptr<UseStore> OpenJournal() {
  const std::string path = TalvexApi::Tools::GetCurrentDir() + "/" + kPluginFolder + "/" + kUseJournalFile;
  UseJournalOpening opening = OpenUseJournal(path, UtcFileStamp(), [](const std::string& text, bool fault) {
    if (!GetLogger()) return;
    if (fault)
      GetLogger()->error("{}", EscapeLogText(text));
    else
      GetLogger()->warn("{}", EscapeLogText(text));
  });
  const std::string report = UseJournalReport(path, opening);
  if (!report.empty() && GetLogger()) GetLogger()->error("{}", EscapeLogText(report));
  return std::move(opening.store);
}

}  // namespace

std::unique_ptr<UseStore> OpenUses(const std::optional<StoreSettings>& store) {
  if (!store) return OpenJournal();
  std::unique_ptr<UseStore> local = store->whenUnreachable == WhenUnreachable::Local ? OpenJournal() : nullptr;
  return OpenSharedStore(*store, std::move(local), [](const std::string& text, bool fault) {
    if (!GetLogger()) return;
    if (fault)
      GetLogger()->error("{}", EscapeLogText(text));
    else
      GetLogger()->info("{}", EscapeLogText(text));
  });
}
