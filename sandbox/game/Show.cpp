#include "sandbox/game/Show.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "orvanel/commands/Health.h"
#include "orvanel/core/CommandTable.h"
#include "orvanel/core/ConfigState.h"
#include "orvanel/core/ConfigText.h"
#include "orvanel/core/CreatureValues.h"
#include "orvanel/core/Files.h"
#include "orvanel/core/Settings.h"
#include "orvanel/core/StoreSettings.h"
#include "orvanel/core/TemplateReading.h"
#include "orvanel/core/UseJournal.h"
#include "orvanel/core/UseLimits.h"
#include "orvanel/core/Words.h"
#include "orvanel/game/CreatureSpawning.h"
#include "orvanel/store/SharedStore.h"
#include "sandbox/game/CreatureChanges.h"
#include "sandbox/game/Utf8.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

// Stat indices that the spawn templates name; the others show by index only.
const char* StatName(int index) {
  for (const CreatureStat& stat : kCreatureStats)
    if (stat.index == index) return stat.name;
  return "";
}

// The word a creature template gives for the code; null for a code no word gives.
const char* AggressionName(int32_t code) {
  for (const WordCode& entry : kAggressionWords)
    if (entry.code == code) return entry.word;
  return nullptr;
}

// A game value to one decimal, without a trailing ".0" and without "-0", so
// that float noise in the last bits (a cosine of a right angle) reads as 0.
std::string Amount(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  std::string text = fmt::format("{:.1f}", value);
  if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
  if (text == "-0") text = "0";
  return text;
}

std::string Place(const FVector& at) { return "(" + Amount(at.X) + ", " + Amount(at.Y) + ", " + Amount(at.Z) + ")"; }

// Columns of text, left-aligned unless marked as numbers; widths count UTF-8
// characters, not bytes.
struct Table {
  std::vector<std::string> header;
  std::vector<bool> numeric;
  std::vector<std::vector<std::string>> rows;
};

std::size_t Width(const std::string& text) {
  std::size_t width = 0;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  return width;
}

std::string Render(const Table& table) {
  std::vector<std::size_t> widths(table.header.size());
  auto measure = [&](const std::vector<std::string>& row) {
    for (std::size_t column = 0; column < row.size(); ++column)
      widths[column] = std::max(widths[column], Width(row[column]));
  };
  measure(table.header);
  for (const auto& row : table.rows) measure(row);
  std::string out;
  auto line = [&](const std::vector<std::string>& row) {
    std::string text = " ";
    for (std::size_t column = 0; column < row.size(); ++column) {
      const std::string pad(widths[column] - Width(row[column]), ' ');
      text += " ";
      text += table.numeric[column] ? pad + row[column] : row[column] + pad;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out += text + "\n";
  };
  line(table.header);
  for (const auto& row : table.rows) line(row);
  return out;
}

std::string PlayerNameOf(const Object* character) {
  if (character == nullptr) return "-";
  if (const Controller* owner = OwnerOf(character)) return owner->name;
  return "object " + std::to_string(character->id);
}

std::string TamedTo(const Creature& creature) {
  if (!creature.tamed) return "-";
  const std::string tamer = ToUtf8(creature.TamerString.View());
  return tamer.empty() ? "team " + std::to_string(creature.TargetingTeam) : tamer;
}

std::string Level(const Creature& creature) {
  if (creature.status == nullptr) return "-";
  return std::to_string(static_cast<int64_t>(creature.status->BaseCharacterLevel) +
                        creature.status->ExtraCharacterLevel);
}

std::string Health(const Creature& creature) {
  if (creature.status == nullptr) return "-";
  return Amount(creature.status->CurrentStatusValues[0]) + " of " + Amount(creature.status->MaxStatusValues[0]);
}

std::string InventoryTable(const Inventory* inventory) {
  if (inventory == nullptr) return "  (no inventory component)\n";
  if (inventory->items.empty()) return "";
  Table table{{"id", "class", "quantity", "quality", "armor", "equipment"}, {true, false, true, true, true, false}, {}};
  for (const Item* item : inventory->items)
    table.rows.push_back({std::to_string(item->id), ShortClassName(item->cls->name), std::to_string(item->quantity),
                          Amount(item->quality), item->createdAsEquipment ? Amount(ArmorOf(*item)) : "-",
                          item->createdAsEquipment ? "yes" : "no"});
  return Render(table);
}

float HorizontalDistance(const FVector& a, const FVector& b) {
  const double dx = static_cast<double>(a.X) - b.X, dy = static_cast<double>(a.Y) - b.Y;
  return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

}  // namespace

std::string ShortClassName(const std::string& name) {
  std::string text = name;
  if (!text.empty() && text.back() == '\'') text.pop_back();
  const std::size_t point = text.rfind('.');
  if (point == std::string::npos) return name;
  text = text.substr(point + 1);
  if (text.size() > 2 && text.compare(text.size() - 2, 2, "_C") == 0) text.resize(text.size() - 2);
  return text;
}

double ShownYaw(double yaw) {
  if (!std::isfinite(yaw)) return yaw;
  double turned = std::fmod(yaw, 360.0);
  if (turned < 0) turned += 360.0;
  return turned >= 359.95 ? 0.0 : turned;
}

double ArmorOf(const Item& item) { return SaddleArmorOfStatValue(item.ItemStatValues[1]); }

std::string NameTagText(const Creature& creature) {
  const World& world = GetWorld();
  const auto tag = static_cast<std::size_t>(creature.DinoNameTag.ComparisonIndex);
  std::string text = tag < world.names.size() ? ToUtf8(world.names[tag]) : "";
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

Creature* FindCreature(uint64_t id) {
  for (Creature* creature : GetWorld().creatures)
    if (creature->id == id) return creature;
  return nullptr;
}

std::string ShowPlayer(const Controller& player) {
  const FVector& at = player.DefaultActorLocation;
  std::string out = fmt::format("{} (team {}) at {}, {}", player.name, player.TargetingTeam, Place(at),
                                player.online ? "online" : "offline");
  if (player.Character == nullptr) return out + ", no character\n";
  out += ", character \"" + player.characterName + "\"\n";
  const Inventory* inventory = player.Character->inventory;
  out +=
      "Inventory: " + CountOf(static_cast<int64_t>(inventory != nullptr ? inventory->items.size() : 0), "item") + "\n";
  out += InventoryTable(inventory);

  struct Near {
    const Creature* creature;
    float distance;
  };
  std::vector<Near> near;
  for (const Creature* creature : GetWorld().creatures) {
    if (creature->RootComponent == nullptr) continue;
    const float distance = HorizontalDistance(creature->RootComponent->location, at);
    if (distance < kSurveyRadius) near.push_back({creature, distance});
  }
  std::stable_sort(near.begin(), near.end(), [](const Near& a, const Near& b) { return a.distance < b.distance; });
  out += fmt::format("Within {} units: {}\n", Amount(kSurveyRadius),
                     CountOf(static_cast<int64_t>(near.size()), "creature"));
  if (near.empty()) return out;
  Table table{{"id", "name tag", "class", "team", "level", "health", "tamed to", "follows", "yaw", "distance"},
              {true, false, false, true, true, true, false, false, true, true},
              {}};
  for (const Near& entry : near) {
    const Creature& creature = *entry.creature;
    table.rows.push_back({std::to_string(creature.id), NameTagText(creature), ShortClassName(creature.cls->name),
                          std::to_string(creature.TargetingTeam), Level(creature), Health(creature), TamedTo(creature),
                          PlayerNameOf(creature.TamedFollowTarget),
                          Amount(ShownYaw(creature.RootComponent->RelativeRotation.Yaw)), Amount(entry.distance)});
  }
  return out + Render(table);
}

std::string ShowCreature(const Creature& creature) {
  std::string out = fmt::format("Creature {} \"{}\", class {}\n", creature.id, NameTagText(creature),
                                ShortClassName(creature.cls->name));
  out += "  asset     " + creature.cls->name + "\n";
  out += fmt::format("  team      {}, tamed to {}, taming team {}, follows {}\n", creature.TargetingTeam,
                     TamedTo(creature), creature.TamingTeamID, PlayerNameOf(creature.TamedFollowTarget));
  if (creature.RootComponent != nullptr) {
    const FRotator& rotation = creature.RootComponent->RelativeRotation;
    out += fmt::format("  place     {}, pitch {}, yaw {}, roll {}\n", Place(creature.RootComponent->location),
                       Amount(rotation.Pitch), Amount(ShownYaw(rotation.Yaw)), Amount(rotation.Roll));
  } else {
    out += "  place     none (no root component)\n";
  }
  const char* aggression = AggressionName(creature.TamedAggressionLevel);
  out += fmt::format("  behaviour {}, ignores all whistles: {}, ignores ally look: {}, started {}\n",
                     aggression != nullptr ? aggression : std::to_string(creature.TamedAggressionLevel),
                     ((creature.flags >> kIgnoreAllWhistlesBit) & 1) != 0 ? "yes" : "no",
                     ((creature.flags >> kIgnoreAllyLookBit) & 1) != 0 ? "yes" : "no",
                     CountOf(std::max(creature.beginPlayCount, 0), "time"));
  out += fmt::format("  imprint   {}", Amount(creature.imprintQuality));
  if (!creature.imprinterName.empty() || creature.imprinterId != 0)
    out += fmt::format(" by \"{}\" ({})", ToUtf8(creature.imprinterName), creature.imprinterId);
  out += "\n";
  if (const StatusComponent* status = creature.status) {
    out += fmt::format(
        "  level     {} = base {} + extra {} (absolute base level {}), experience {}{}\n", Level(creature),
        status->BaseCharacterLevel, status->ExtraCharacterLevel, creature.AbsoluteBaseLevel,
        Amount(status->ExperiencePoints),
        ((status->flags >> kInitializedBaseLevelMaxStatusValuesBit) & 1) != 0 ? ", maximum values initialised" : "");
    Table stats{{"index", "stat", "current", "max", "base level-ups", "tamed level-ups"},
                {true, false, true, true, true, true},
                {}};
    for (int index = 0; index < kStatCount; ++index) {
      const auto at = static_cast<std::size_t>(index);
      stats.rows.push_back({std::to_string(index), StatName(index), Amount(status->CurrentStatusValues[at]),
                            Amount(status->MaxStatusValues[at]),
                            std::to_string(status->NumberOfLevelUpPointsApplied[at]),
                            std::to_string(status->NumberOfLevelUpPointsAppliedTamed[at])});
    }
    out += Render(stats);
  } else {
    out += "  level     none (no status component)\n";
  }
  const Inventory* inventory = creature.inventory;
  out +=
      "Inventory: " + CountOf(static_cast<int64_t>(inventory != nullptr ? inventory->items.size() : 0), "item") + "\n";
  return out + InventoryTable(inventory);
}

// How long `show` waits for a shared store to connect and answer: longer than
// a command may, since nothing else waits on it.
constexpr int64_t kShowStoreWaitMs = 5000;

// The uses of `steam_id` as the shared store holds them, asked through a
// connection of the sandbox's own; a line saying why when it cannot answer.
std::string ReadSharedUses(StoreSettings store, uint64_t steam_id, std::vector<std::pair<UseKey, UseRecord>>& uses) {
  store.waitMs = kShowStoreWaitMs;
  store.whenUnreachable = WhenUnreachable::Refuse;
  // The first trouble the store tells, which says why it cannot answer.
  std::string trouble;
  std::string answer;
  {
    // A request waits for the first connection, at most WaitMs.
    const std::unique_ptr<SharedStore> shared =
        OpenSharedStore(store, nullptr, [&trouble](const std::string& text, bool fault) {
          if (fault && trouble.empty()) trouble = text;
        });
    try {
      uses = shared->UsesOf(steam_id);
    } catch (const std::exception& failure) {
      answer = failure.what();
    }
  }  // the worker joined: `trouble` is the caller's alone
  if (answer.empty()) return "";
  // The store's own line names it first; here its name is said once.
  const std::string named = "The use store \"" + store.server + "\" ";
  if (trouble.starts_with(named)) trouble.erase(0, named.size());
  return answer + (trouble.empty() ? "" : ": " + trouble);
}

std::string ShowUses(const Controller& player, const std::filesystem::path& config_file) {
  nlohmann::json config;
  if (const std::optional<std::string> text = ReadRegularFile(config_file.string())) {
    try {
      config = ParseConfigText(*text);
    } catch (const std::exception&) {
      config = nullptr;  // every entry then reads as gone from the config
    }
  }
  // The uses are where the plugin keeps them: a "Store" the config names, else the journal.
  std::optional<StoreSettings> store;
  try {
    if (const nlohmann::json* cooldowns = FindMemberAt(config, std::vector<std::string>{"Features", kCooldownsFeature}))
      store = ReadStoreSettings(*cooldowns);
  } catch (const std::exception& failure) {
    return std::string("Uses: the store cannot be read (") + failure.what() + ")\n";
  }
  std::vector<std::pair<UseKey, UseRecord>> uses;
  // With "local", the plugin counts in the journal while the store cannot
  // answer; so does `show`.
  std::string unanswered;
  if (store) unanswered = ReadSharedUses(*store, player.steamId, uses);
  if (store && !unanswered.empty() && store->whenUnreachable == WhenUnreachable::Refuse)
    return "Uses: " + unanswered + "\n";
  const bool shared = store && unanswered.empty();
  if (!shared) {
    try {
      for (auto& use : ReadUseRecords(config_file.parent_path() / kUseJournalFile))
        if (use.first.steamId == player.steamId) uses.push_back(std::move(use));
    } catch (const std::exception& failure) {
      return std::string("Uses: the store cannot be read (") + failure.what() + ")\n";
    }
  }
  if (uses.empty()) return shared || !store ? "" : "Uses: " + unanswered + "\n";
  // The groups the limits of a player's groups are chosen by; none when they fail to read.
  GroupTable groups;
  try {
    if (const nlohmann::json* permissions =
            FindMemberAt(config, std::vector<std::string>{"Features", kPermissionsFeature}))
      groups = ReadGroups(*permissions);
  } catch (const std::exception&) {
    groups.clear();
  }
  const int64_t now = GetWorld().clockMs;
  std::string out = "Uses, at " + ClockText(now) + ":\n";
  Table table{{"command", "entry", "uses", "last", "usable"}, {false, false, true, false, false}, {}};
  for (const auto& [key, record] : uses) {
    const CommandRow* row = FindCommandRow(key.command);
    const nlohmann::json* element = nullptr;
    if (row != nullptr && row->HasCatalogue())
      element =
          FindMemberAt(config, std::vector<std::string>{"Commands", key.command, row->catalogue.member, key.entry});
    std::string usable = "not in the config";
    if (element != nullptr) {
      try {
        const UseLimits limits = UseLimitsFor(ReadUseLimits(*element), ReadGroupLimits(*element), groups, key.steamId);
        const UseVerdict verdict = JudgeUse(limits, record, now);
        if (verdict.kind == UseVerdictKind::Allowed)
          usable = "now";
        else if (verdict.kind == UseVerdictKind::UsedUp)
          usable = "used up";
        else
          usable = "in " + WaitText(verdict.waitMs) + " (" + ClockText(now + ShownWaitMs(verdict.waitMs)) + ")";
      } catch (const std::exception& failure) {
        usable = std::string("its limits fail to read: ") + failure.what();
      }
    }
    table.rows.push_back({key.command, key.entry, std::to_string(record.count), ClockText(record.lastMs), usable});
  }
  // The sandbox cannot ask the plugin what it holds: a config edited since the
  // last load or reload, and uses the journal could not take, are the plugin's alone.
  if (shared)
    return out + Render(table) +
           fmt::format(
               "  (as the shared store \"{}\" holds them and config.json stands on disk; the plugin acts on "
               "the config as it last loaded it)\n",
               store->server);
  if (store)
    out = "Uses: " + unanswered + "\n" + "Uses counted on this server alone meanwhile, at " + ClockText(now) + ":\n";
  return out + Render(table) +
         fmt::format(
             "  (as {} and config.json stand on disk; the plugin acts on the config as it last loaded it and "
             "on the uses it holds in memory, which may differ)\n",
             kUseJournalFile);
}

std::string ShowCommand(const std::string& arguments, const std::filesystem::path& config_file) {
  const std::size_t space = arguments.find(' ');
  if (arguments.empty() || arguments == "creature") return "Usage: show NAME | show creature ID\n";
  if (space != std::string::npos && arguments.substr(0, space) == "creature") {
    const std::string id = arguments.substr(space + 1);
    const Creature* creature = FindCreatureByText(id);
    if (creature == nullptr) return "There is no creature with the id \"" + id + "\".\n";
    return ShowCreature(*creature);
  }
  const Controller* player = FindPlayer(arguments);
  if (player == nullptr) return "There is no player named \"" + arguments + "\" in this world.\n";
  return ShowPlayer(*player) + ShowUses(*player, config_file);
}

}  // namespace sim
