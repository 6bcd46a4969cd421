#include "tools/check/MoveUses.h"

#include <exception>
#include <optional>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

#include "orvanel/core/ConfigState.h"
#include "orvanel/core/ConfigText.h"
#include "orvanel/core/Files.h"
#include "orvanel/core/Settings.h"
#include "orvanel/core/StoreSettings.h"
#include "orvanel/core/UseJournal.h"
#include "orvanel/core/Words.h"
#include "orvanel/store/SharedStore.h"

namespace check {
namespace {

// How long the move waits for the store to connect and take its one
// transaction: a move runs once, with the server stopped, so it may wait.
constexpr int64_t kMoveWaitMs = 60000;

UsesMove Failed(const std::string& text) { return UsesMove{2, "orvanel-check: " + text + "\n"}; }

std::string Named(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

}  // namespace

UsesMove MoveUsesToStore(const std::filesystem::path& config_file, const std::string& stamp) {
  std::optional<StoreSettings> store;
  try {
    const std::optional<std::string> text = ReadRegularFile(config_file.string());
    if (!text) return Failed(Named(config_file) + " cannot be read");
    nlohmann::json config;
    try {
      config = ParseConfigText(*text);
    } catch (const std::exception&) {
      // The parser's words quote the text near the fault, which may be the secret.
      return Failed(Named(config_file) + " does not parse: orvanel-check " + Named(config_file) + " names where");
    }
    if (const nlohmann::json* cooldowns = FindMemberAt(config, std::vector<std::string>{"Features", kCooldownsFeature}))
      store = ReadStoreSettings(*cooldowns);
  } catch (const std::exception& failure) {
    return Failed(Named(config_file) + ": " + failure.what());
  }
  if (!store)
    return Failed(Named(config_file) +
                  " names no \"Store\" under \"Features\" \"Cooldowns\": there is no shared store to move the uses to");

  const std::filesystem::path folder = config_file.parent_path();
  const std::filesystem::path journal = folder / kUseJournalFile;
  // A move that stopped between its transaction and setting the journal aside
  // may have counted its uses already: moving them again would count them twice.
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.path().filename().string().rfind(std::string(kUseJournalFile) + ".moving-", 0) == 0)
      return Failed("an earlier move stopped before it finished: " + Named(entry.path()) +
                    " holds uses that the store may hold already; look in the store, then rename the file to " +
                    Named(journal) + " to move it again, or remove it");
  if (!std::filesystem::exists(journal, error))
    return UsesMove{0, "orvanel-check: there is no " + Named(journal) + ": no use to move\n"};
  std::vector<std::pair<UseKey, UseRecord>> records;
  try {
    records = ReadUseRecords(journal);
  } catch (const std::exception& failure) {
    return Failed(Named(journal) + ": " + failure.what());
  }
  uint64_t uses = 0;
  std::set<uint64_t> players;
  for (const auto& [key, record] : records) {
    uses += record.count;
    players.insert(key.steamId);
  }

  // Set aside first, so that a plugin started meanwhile does not count the
  // same uses locally while they move.
  const std::filesystem::path moving = folder / (std::string(kUseJournalFile) + ".moving-" + stamp);
  std::filesystem::rename(journal, moving, error);
  if (error) return Failed(Named(journal) + " cannot be set aside: " + error.message());
  // The first trouble the store tells, which says why it cannot take the uses.
  std::string trouble;
  StoreAddition outcome = StoreAddition::NotAdded;
  {
    StoreSettings asked = *store;
    asked.whenUnreachable = WhenUnreachable::Refuse;
    const std::unique_ptr<SharedStore> shared =
        OpenSharedStore(asked, nullptr, [&trouble](const std::string& text, bool fault) {
          if (fault && trouble.empty()) trouble = text;
        });
    outcome = shared->AddRecords(records, kMoveWaitMs);
  }  // the worker joined: `trouble` is this thread's alone
  const std::string name = "the shared store \"" + store->server + "\"";
  if (outcome == StoreAddition::NotAdded) {
    std::filesystem::rename(moving, journal, error);
    return Failed("nothing was moved: " + name + " cannot take the uses" +
                  (trouble.empty() ? "" : " (" + trouble + ")") +
                  (error ? "; the journal stays as " + Named(moving) : "; the journal stays as it was"));
  }
  if (outcome == StoreAddition::Unknown)
    return Failed(name + " did not confirm the move in time: it may hold the uses or not; the journal stays as " +
                  Named(moving) + ": look in the store, then rename it to " + Named(journal) +
                  " to move it again, or remove it");
  const std::filesystem::path moved = folder / (std::string(kUseJournalFile) + ".moved-" + stamp);
  std::filesystem::rename(moving, moved, error);
  const std::string done = "orvanel-check: moved " + CountOf(static_cast<int64_t>(uses), "use") + " of " +
                           CountOf(static_cast<int64_t>(players.size()), "player") + " (" +
                           CountOf(static_cast<int64_t>(records.size()), "record") + ") into " + name;
  if (error)
    return UsesMove{2, done + "; the journal could not be set aside as " + Named(moved) + " (" + error.message() +
                           "): remove " + Named(moving) + " so that they are not moved again\n"};
  return UsesMove{0, done + "; the journal is kept as " + Named(moved) + "\n"};
}

}  // namespace check
