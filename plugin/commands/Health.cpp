#include "orvanel/commands/Health.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "orvanel/commands/Commands.h"
#include "orvanel/core/Reply.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"

namespace {

// kSurveyRadius squared, to compare with the squared horizontal distance.
constexpr double kSurveyRadiusSquared = static_cast<double>(kSurveyRadius) * kSurveyRadius;

using IsAFn = bool(const UObject*, UClass*);
using StaticClassFn = UClass*();
using GetAllActorsOfClassFn = void(UWorld*, UClass*, TArray<AActor*>*);
using GetCustomLocationFn = FVector*(USceneComponent*, FVector*);
using NameToStringFn = FString*(const FName*, FString*);
using NotificationFn = void(AShooterPlayerController*, FString*, FLinearColor*, float, float, UObject*, UObject*);

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
  const ACharacter* character = GameField<ACharacter*>(player, "AController.Character");
  if (character == nullptr) return lines;
  IsAFn* is_a = GameFunction<IsAFn>("UObjectBaseUtility.IsA");
  if (!is_a(character, GameFunction<StaticClassFn>("APrimalCharacter.GetPrivateStaticClass")())) return lines;

  const int32_t team = GameField<int32_t>(player, "AActor.TargetingTeam");
  const FVector position = GameField<FVector>(player, "AActor.DefaultActorLocation");

  UClass* creature_class = GameFunction<StaticClassFn>("APrimalDinoCharacter.GetPrivateStaticClass")();
  // The game fills the array from its own allocator; it gives the storage back
  // through "FMemory.Free" when it goes out of scope.
  TArray<AActor*> actors;
  GameFunction<GetAllActorsOfClassFn>("UGameplayStatics.GetAllActorsOfClass")(world, creature_class, &actors);

  // Functions are resolved once for the walk; fields belong to each object and
  // are resolved on it. The names are built once so the walk allocates nothing.
  GetCustomLocationFn* get_location = GameFunction<GetCustomLocationFn>("USceneComponent.GetCustomLocation");
  NameToStringFn* name_to_string = GameFunction<NameToStringFn>("FName.ToString");
  const std::string team_field = "AActor.TargetingTeam";
  const std::string root_field = "AActor.RootComponent";
  const std::string name_tag_field = "APrimalDinoCharacter.DinoNameTag";
  const std::string status_field = "APrimalCharacter.MyCharacterStatusComponent";
  const std::string maximum_field = "UPrimalCharacterStatusComponent.MaxStatusValues";
  const std::string current_field = "UPrimalCharacterStatusComponent.CurrentStatusValues";

  // Keys compare as unsigned bytes, shorter first: groups come out in byte order.
  std::map<std::string, std::vector<HealthReading>> groups;
  FVector location;
  for (AActor* actor : actors) {
    const int32_t actor_team = GameField<int32_t>(actor, team_field);
    USceneComponent* root = GameField<USceneComponent*>(actor, root_field);
    // A creature without a root component has no location to measure.
    if (root == nullptr) continue;
    get_location(root, &location);
    if (actor_team != team) continue;
    const double dx = static_cast<double>(location.X - position.X);
    const double dy = static_cast<double>(location.Y - position.Y);
    if (!(dx * dx + dy * dy < kSurveyRadiusSquared)) continue;

    FString name;
    name_to_string(&GameField<FName>(actor, name_tag_field), &name);
    const UPrimalCharacterStatusComponent* status = GameField<UPrimalCharacterStatusComponent*>(actor, status_field);
    if (status == nullptr) continue;
    const HealthReading reading{GameField<float>(status, maximum_field), GameField<float>(status, current_field)};
    groups[NarrowText(name)].push_back(reading);
  }
  actors.Empty();

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
  GameFunction<NotificationFn>("AShooterPlayerController.ClientServerUlvaneNotificationCustom")(
      context.caller, &message, &color, 0.8f, 30.0f, nullptr, nullptr);
  return Surveyed(surveyed);
}
