// The game members behind the health survey, called as the plugin calls them:
// the actor list by class, component locations and name tags, and the checks
// that keep a field from being read off the wrong kind of object.
#include <vector>

#include "orvanel/host/GameAccess.h"
#include "sandbox/game/World.h"
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

class HealthMembersTest : public PluginTest {
 protected:
  // The ids of every actor of `described`, as "UGameplayStatics.GetAllActorsOfClass" lists them.
  std::vector<uint64_t> ActorsOf(const sim::Class& described) {
    TArray<AActor*> actors;
    auto* world = reinterpret_cast<UWorld*>(sim::GetWorld().world);
    auto* class_object = reinterpret_cast<UClass*>(sim::ClassObjectFor(&described));
    GameFunction<void(UWorld*, UClass*, TArray<AActor*>*)>("UGameplayStatics.GetAllActorsOfClass")(world, class_object,
                                                                                                   &actors);
    std::vector<uint64_t> ids;
    for (AActor* actor : actors) ids.push_back(reinterpret_cast<sim::Object*>(actor)->id);
    return ids;
  }
};

TEST_F(HealthMembersTest, ListsTheActorsOfAClassInWorldOrder) {
  json world = ThreePlayers();
  world["creatures"] = {{{"nameTag", "Rex"}}, {{"nameTag", "Dodo"}, {"rootComponent", false}}};
  AddWorld(world);
  const auto& creatures = sim::GetWorld().creatures;
  const std::vector<uint64_t> creature_ids{creatures[0]->id, creatures[1]->id};
  EXPECT_EQ(ActorsOf(sim::classes::APrimalDinoCharacter), creature_ids);
  std::vector<uint64_t> characters;
  for (const char* name : {"Alice", "Bob", "Carol"}) characters.push_back(Player(name)->Character->id);
  characters.insert(characters.end(), creature_ids.begin(), creature_ids.end());
  EXPECT_EQ(ActorsOf(sim::classes::APrimalCharacter), characters);
  EXPECT_EQ(ActorsOf(sim::classes::AShooterPlayerController).size(), 3u);
  EXPECT_TRUE(ActorsOf(sim::classes::UPrimalItem).empty());
}

TEST_F(HealthMembersTest, NameTagsAndLocationsReadBack) {
  AddWorld({{"creatures", {{{"nameTag", "Rex\xc3\xa9"}, {"position", {1, 2, 3}}}, {{"nameTag", ""}}}}});
  const auto& creatures = sim::GetWorld().creatures;
  using ToStringFn = FString*(const FName*, FString*);
  FString text;
  GameFunction<ToStringFn>("FName.ToString")(&GameField<FName>(creatures[0], "APrimalDinoCharacter.DinoNameTag"),
                                             &text);
  EXPECT_EQ(text.View(), WideStringView(TEXT("Rex\u00e9")));
  EXPECT_EQ(text.ArrayNum, 5);
  GameFunction<ToStringFn>("FName.ToString")(&GameField<FName>(creatures[1], "APrimalDinoCharacter.DinoNameTag"),
                                             &text);
  EXPECT_EQ(text.Data, nullptr);
  EXPECT_EQ(text.ArrayNum, 0);
  FVector location;
  GameFunction<FVector*(USceneComponent*, FVector*)>("USceneComponent.GetCustomLocation")(
      GameField<USceneComponent*>(creatures[0], "AActor.RootComponent"), &location);
  EXPECT_EQ(location.X, 1.0f);
  EXPECT_EQ(location.Y, 2.0f);
  EXPECT_EQ(location.Z, 3.0f);
}

TEST_F(HealthMembersTest, AFieldAskedOfTheWrongClassIsStillAViolationOnceTheFieldWasChecked) {
  AddWorld(ThreePlayers());
  sim::Creature* creature = sim::NewCreature(&sim::classes::APrimalDinoCharacter);
  // The name tag is read off a creature first, then asked of a player's character.
  GameField<FName>(creature, "APrimalDinoCharacter.DinoNameTag");
  sim::Character* character = Player("Alice")->Character;
  const auto violations = ViolationsDuring([&] { GameField<FName>(character, "APrimalDinoCharacter.DinoNameTag"); });
  ASSERT_EQ(violations.size(), 1u);
  EXPECT_NE(violations[0].find("which is not a APrimalDinoCharacter"), std::string::npos) << violations[0];
}

}  // namespace
