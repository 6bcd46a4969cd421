#include "orvanel/core/UseLimits.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "orvanel/core/CommandTable.h"
#include "orvanel/core/JsonErrors.h"
#include "orvanel/core/KeyReads.h"

namespace {

constexpr const char* kCooldownKey = "cooldown";
constexpr const char* kUsesKey = "uses";
constexpr const char* kLimitsKey = "Limits";

// In the words of every other read of a template.
std::string NotANumber(const nlohmann::json& value) {
  return "must be " + PlainTypeWords("number") + ", not " + PlainTypeWords(value.type_name());
}

void Fault(TemplateFaults* faults, const std::string& at, const std::string& why) {
  if (faults == nullptr) throw TemplateReadError(at, why);
  faults->emplace_back(at, why);
}

}  // namespace

UseLimits ReadUseLimits(const nlohmann::json& entry, TemplateFaults* faults) {
  UseLimits limits;
  if (!entry.is_object()) return limits;
  const std::string cooldown_at = std::string("/") + NoteKeyRead("", kCooldownKey);
  if (const auto cooldown = entry.find(kCooldownKey); cooldown != entry.end()) {
    const double seconds = cooldown->is_number() ? cooldown->get<double>() : 0.0;
    if (!cooldown->is_number())
      Fault(faults, cooldown_at, NotANumber(*cooldown));
    else if (!(seconds >= 0.0 && seconds <= kMaxCooldownSeconds))
      Fault(faults, cooldown_at,
            "must be from 0 to " + std::to_string(static_cast<int64_t>(kMaxCooldownSeconds)) + " seconds");
    else
      limits.cooldownMs = static_cast<int64_t>(std::ceil(seconds * 1000.0));
  }
  const std::string uses_at = std::string("/") + NoteKeyRead("", kUsesKey);
  if (const auto uses = entry.find(kUsesKey); uses != entry.end()) {
    const double value = uses->is_number() ? uses->get<double>() : 0.0;
    if (!uses->is_number())
      Fault(faults, uses_at, NotANumber(*uses));
    else if (uses->is_number_unsigned())
      limits.uses = uses->get<uint64_t>();
    else if (!(value >= 0.0 && value < 9.2e18 && std::floor(value) == value))
      Fault(faults, uses_at, "must be a whole number of 0 or more");
    else
      limits.uses = static_cast<uint64_t>(value);
  }
  return limits;
}

GroupLimits ReadGroupLimits(const nlohmann::json& entry, TemplateFaults* faults) {
  GroupLimits read;
  if (!entry.is_object()) return read;
  const std::string at = std::string("/") + NoteKeyRead("", kLimitsKey);
  const auto limits = entry.find(kLimitsKey);
  if (limits == entry.end()) return read;
  if (!limits->is_object()) {
    Fault(faults, at,
          "must be " + PlainTypeWords("object") + " of group names, not " + PlainTypeWords(limits->type_name()));
    return read;
  }
  for (const auto& [group, value] : limits->items()) {
    const std::string group_at = at + (nlohmann::json::json_pointer() / group).to_string();
    if (!value.is_object()) {
      Fault(faults, group_at,
            "must be " + PlainTypeWords("object") + " with \"cooldown\" or \"uses\", not " +
                PlainTypeWords(value.type_name()));
      continue;
    }
    // Noted at the group's place as well: the schema lists them there.
    std::string noted = at;
    noted.append("/").append(group);
    (void)NoteKeyRead(noted, kCooldownKey);
    (void)NoteKeyRead(noted, kUsesKey);
    TemplateFaults own;
    UseLimits limit = ReadUseLimits(value, &own);
    for (const TemplateReadError& fault : own) Fault(faults, group_at + fault.pointer, fault.reason);
    read.emplace_back(group, limit);
  }
  return read;
}

UseLimits UseLimitsFor(const UseLimits& own, const GroupLimits& byGroup, const GroupTable& groups, uint64_t steam_id) {
  std::optional<UseLimits> best;
  for (const auto& [group, limits] : byGroup) {
    if (!InGroup(groups, group, steam_id)) continue;
    if (!best) {
      best = limits;
      continue;
    }
    best->cooldownMs = std::min(best->cooldownMs, limits.cooldownMs);
    if (!limits.uses || (best->uses && *limits.uses > *best->uses)) best->uses = limits.uses;
  }
  return best.value_or(own);
}

std::optional<UseLimits> LimitsOfUse(const Settings& settings, const UseKey& key) {
  const CommandRow* row = FindCommandRow(key.command);
  const CommandSettings* command = settings.Command(key.command);
  if (row == nullptr || command == nullptr || !row->HasCatalogue()) return std::nullopt;
  const nlohmann::json* element = FindCatalogueElement(command->entry, row->catalogue.member, key.entry);
  if (element == nullptr) return std::nullopt;
  return UseLimitsFor(ReadUseLimits(*element), ReadGroupLimits(*element), settings.Groups(), key.steamId);
}

UseVerdict JudgeUse(const UseLimits& limits, const std::optional<UseRecord>& record, int64_t nowMs) {
  const uint64_t used = record ? record->count : 0;
  if (limits.uses && used >= *limits.uses) return {UseVerdictKind::UsedUp, used, 0};
  if (record && limits.cooldownMs > 0) {
    // Unsigned, so that times however far apart give their difference.
    const uint64_t elapsed =
        nowMs > record->lastMs ? static_cast<uint64_t>(nowMs) - static_cast<uint64_t>(record->lastMs) : 0;
    const auto cooldown = static_cast<uint64_t>(limits.cooldownMs);
    if (elapsed < cooldown) return {UseVerdictKind::TooSoon, used, static_cast<int64_t>(cooldown - elapsed)};
  }
  return {UseVerdictKind::Allowed, used, 0};
}

namespace {

// The wait in the units its words end with: seconds under an hour, minutes
// under a day, hours beyond; each rounded up, at least one second.
struct WaitParts {
  int64_t amount = 0;
  int64_t unitSeconds = 1;
};

constexpr int64_t kMinutesADay = int64_t{24} * 60;

WaitParts PartsOf(int64_t waitMs) {
  const auto up = [](int64_t amount, int64_t unit) { return amount / unit + (amount % unit > 0 ? 1 : 0); };
  const int64_t seconds = std::max<int64_t>(1, up(waitMs, 1000));
  if (seconds < 3600) return {seconds, 1};
  const int64_t minutes = up(seconds, 60);
  if (minutes < kMinutesADay) return {minutes, 60};
  return {up(minutes, 60), 3600};
}

}  // namespace

std::string WaitText(int64_t waitMs) {
  const WaitParts parts = PartsOf(waitMs);
  const auto text = [](int64_t amount, const char* unit, int64_t rest, const char* rest_unit) {
    std::string words = std::to_string(amount) + " " + unit;
    if (rest != 0) words += " " + std::to_string(rest) + " " + rest_unit;
    return words;
  };
  if (parts.unitSeconds == 1)
    return parts.amount < 60 ? std::to_string(parts.amount) + " s"
                             : text(parts.amount / 60, "min", parts.amount % 60, "s");
  if (parts.unitSeconds == 60) return text(parts.amount / 60, "h", parts.amount % 60, "min");
  return text(parts.amount / 24, "d", parts.amount % 24, "h");
}

int64_t ShownWaitMs(int64_t waitMs) {
  const WaitParts parts = PartsOf(waitMs);
  return parts.amount * parts.unitSeconds * 1000;
}
