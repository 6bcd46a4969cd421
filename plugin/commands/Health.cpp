#include "orvanel/commands/Health.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "orvanel/commands/Commands.h"
#include "orvanel/game/Creatures.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"
#include "orvanel/run/Reply.h"

namespace {

// kSurveyRadius squared, to compare with the squared horizontal distance.
constexpr double kSurveyRadiusSquared = static_cast<double>(kSurveyRadius) * kSurveyRadius;

// Name tags are the players' own text: braces in them must reach the reader
// as written, not as pattern syntax.
std::string EscapeBraces(const std::string& line) {
  std::string escaped;
  escaped.reserve(line.size());
  for (const char character : line) {
    escaped.push_back(character);
    if (character == '{' || character == '}') escaped.push_back(character);
  }
  return escaped;
}

// Ascending, with not-a-number ratios (a creature whose maximum is 0) after
// every number, so that the order stays well defined.
bool RatioBefore(float a, float b) {
  if (std::isnan(a)) return false;
  return std::isnan(b) || a < b;
}

void AppendGroupLines(const std::string& name, const std::vector<HealthReading>& readings,
                      std::vector<std::string>& lines) {
  std::vector<float> ratios;
  ratios.reserve(readings.size());
  double maxima = 0.0;
  double currents = 0.0;
  double shortfalls = 0.0;
  for (const HealthReading& reading : readings) {
    ratios.push_back(reading.current / reading.maximum);
    maxima += reading.maximum;
    currents += reading.current;
    shortfalls += static_cast<double>(reading.maximum - reading.current);
  }
  std::stable_sort(ratios.begin(), ratios.end(), RatioBefore);

  // Percentages, Remaining and Diff are rounded halves away from zero and
  // written with a stream's default formatting (six significant digits).
  std::ostringstream line;
  line << name << " (" << readings.size() << "): ";
  for (std::size_t i = 0; i < ratios.size(); ++i) {
    if (i != 0) line << ", ";
    line << std::round(static_cast<double>(ratios[i]) * 100.0);
  }
  lines.push_back(line.str());

  line.str(std::string());
  if (maxima > 0.0)
    line << "Remaining: " << std::round(currents / maxima * 100.0) << "%, Diff: " << std::round(-shortfalls);
  lines.push_back(line.str());
}

}  // namespace

std::vector<std::string> SurveyCreatureHealth(APlayerController* player, int64_t* surveyed) {
  std::vector<std::string> lines;
  if (surveyed != nullptr) *surveyed = 0;
  UWorld* world = TalvexApi::GetApiUtils().GameWorld();
  if (world == nullptr || player == nullptr) return lines;
  const ACharacter* character = GameField(player, AControllerCharacter());
  if (character == nullptr) return lines;
  if (!GameFunction(UObjectBaseUtilityIsA())(character, GameFunction(APrimalCharacterGetPrivateStaticClass())()))
    return lines;

  const int32_t team = GameField(player, AActorTargetingTeam());
  const FVector position = GameField(player, AActorDefaultActorLocation());

  // Functions are resolved once for the walk; fields belong to each object and
  // are resolved on it. The names are built once so the walk allocates nothing.
  auto* get_location = GameFunction(USceneComponentGetCustomLocation());
  auto* name_to_string = GameFunction(FNameToString());
  const auto team_field = AActorTargetingTeam();
  const auto root_field = AActorRootComponent();
  const auto name_tag_field = APrimalDinoCharacterDinoNameTag();
  const auto status_field = APrimalCharacterMyCharacterStatusComponent();
  const auto maximum_field = UPrimalCharacterStatusComponentMaxStatusValues();
  const auto current_field = UPrimalCharacterStatusComponentCurrentStatusValues();

  // Keys compare as unsigned bytes, shorter first: groups come out in byte order.
  std::map<std::string, std::vector<HealthReading>> groups;
  FVector location;
  ForEachCreature(world, [&](AActor* actor) {
    const int32_t actor_team = GameField(actor, team_field);
    USceneComponent* root = GameField(actor, root_field);
    // A creature without a root component has no location to measure.
    if (root == nullptr) return;
    get_location(root, &location);
    if (actor_team != team) return;
    const double dx = static_cast<double>(location.X - position.X);
    const double dy = static_cast<double>(location.Y - position.Y);
    if (!(dx * dx + dy * dy < kSurveyRadiusSquared)) return;

    FString name;
    name_to_string(&GameField(actor, name_tag_field), &name);
    const UPrimalCharacterStatusComponent* status = GameField(actor, status_field);
    if (status == nullptr) return;
    const HealthReading reading{GameField(status, maximum_field), GameField(status, current_field)};
    groups[NarrowText(name)].push_back(reading);
  });

  for (const auto& [name, readings] : groups) {
    AppendGroupLines(name, readings, lines);
    if (surveyed != nullptr) *surveyed += static_cast<int64_t>(readings.size());
  }
  return lines;
}

namespace {

// The survey's outcome: every creature the lines count, all that was asked.
CommandOutcome Surveyed(int64_t creatures) {
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  outcome.done = creatures;
  outcome.asked = creatures;
  return outcome;
}

}  // namespace

CommandOutcome HealthChatCommand(const CommandContext& context) {
  int64_t surveyed = 0;
  const std::vector<std::string> lines = SurveyCreatureHealth(context.caller, &surveyed);
  if (lines.empty()) return Surveyed(surveyed);
  const FString sender = SystemSender();
  for (const std::string& line : lines) SendReply(context.caller, sender, std::string_view(EscapeBraces(line)));
  return Surveyed(surveyed);
}

CommandOutcome HealthConsoleCommand(const CommandContext& context) {
  int64_t surveyed = 0;
  const std::vector<std::string> lines = SurveyCreatureHealth(context.caller, &surveyed);
  if (lines.empty()) return Surveyed(surveyed);
  WideString text;
  for (const std::string& line : lines) {
    text += TalvexApi::Tools::ConvertToWideStr(EscapeBraces(line));
    text.push_back(TCHAR('\n'));
  }
  FString message(FormatWidePattern(text));
  FLinearColor color{1.0f, 0.0f, 1.0f, 1.0f};
  GameFunction(AShooterPlayerControllerClientServerUlvaneNotificationCustom())(context.caller, &message, &color, 0.8f,
                                                                               30.0f, nullptr, nullptr);
  return Surveyed(surveyed);
}
