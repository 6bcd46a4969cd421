// Every game member the plugin reaches, named once by its "Class.Member" text
// with the one type it is used as; each accessor gives the name only, resolved
// by GameFunction, GameField or GameBitField at every use, never kept. The
// game's allocator, which the engine types need first, is named in Engine.h.
#pragma once

#include <cstdint>

#include "orvanel/host/Engine.h"
#include "orvanel/host/GameAccess.h"

// Defined with the replies (core/Reply.h): the chat function takes it by value.
struct ChatMessageRecord;

// A field that is an array gives its first element; the rest follow it.

// Classes, loading and class tests.
inline GameFunctionMember<UClass*()> UObjectStaticClass() { return {"UObject.StaticClass"}; }
inline GameFunctionMember<UClass*()> UClassStaticClass() { return {"UClass.StaticClass"}; }
inline GameFunctionMember<UClass*()> APrimalCharacterGetPrivateStaticClass() {
  return {"APrimalCharacter.GetPrivateStaticClass"};
}
inline GameFunctionMember<UClass*()> APrimalDinoCharacterGetPrivateStaticClass() {
  return {"APrimalDinoCharacter.GetPrivateStaticClass"};
}
inline GameFunctionMember<UClass*()> AShooterPlayerControllerGetPrivateStaticClass() {
  return {"AShooterPlayerController.GetPrivateStaticClass"};
}
inline GameFunctionMember<UObject*(UClass*, UObject*, const TCHAR*, const TCHAR*, uint32_t, UObject*, bool)>
GlobalStaticLoadObject() {
  return {"Global.StaticLoadObject"};
}
inline GameFunctionMember<bool(const UObject*, UClass*)> UObjectBaseUtilityIsA() { return {"UObjectBaseUtility.IsA"}; }

// The world's actors, names and the clock.
inline GameFunctionMember<void(UWorld*, UClass*, TArray<AActor*>*)> UGameplayStaticsGetAllActorsOfClass() {
  return {"UGameplayStatics.GetAllActorsOfClass"};
}
inline GameFunctionMember<FString*(const FName*, FString*)> FNameToString() { return {"FName.ToString"}; }
inline GameFunctionMember<FDateTime*(FDateTime*)> FDateTimeUtcNow() { return {"FDateTime.UtcNow"}; }

// Actors and their components.
inline GameFieldMember<int32_t> AActorTargetingTeam() { return {"AActor.TargetingTeam"}; }
inline GameFieldMember<FVector> AActorDefaultActorLocation() { return {"AActor.DefaultActorLocation"}; }
inline GameFieldMember<USceneComponent*> AActorRootComponent() { return {"AActor.RootComponent"}; }
inline GameFunctionMember<bool(AActor*, const FRotator*)> AActorSetActorRotation() {
  return {"AActor.SetActorRotation"};
}
inline GameFunctionMember<bool(AActor*, bool, bool)> AActorDestroy() { return {"AActor.Destroy"}; }
inline GameFieldMember<FRotator> USceneComponentRelativeRotation() { return {"USceneComponent.RelativeRotation"}; }
inline GameFunctionMember<FVector*(USceneComponent*, FVector*)> USceneComponentGetCustomLocation() {
  return {"USceneComponent.GetCustomLocation"};
}

// Players.
inline GameFieldMember<ACharacter*> AControllerCharacter() { return {"AController.Character"}; }
inline GameFieldMember<AShooterPlayerState*> AControllerPlayerState() { return {"AController.PlayerState"}; }
inline GameFunctionMember<FString*(AShooterPlayerState*, FString*)> AShooterPlayerStateGetPlayerName() {
  return {"AShooterPlayerState.GetPlayerName"};
}
inline GameFunctionMember<void(AShooterPlayerState*, APrimalDinoCharacter*)>
AShooterPlayerStateSetTribeTamingDinoSettings() {
  return {"AShooterPlayerState.SetTribeTamingDinoSettings"};
}
inline GameFieldMember<uint64_t> AShooterPlayerControllerLinkedPlayerID() {
  return {"AShooterPlayerController.LinkedPlayerID"};
}
inline GameFunctionMember<FString*(AShooterPlayerController*, FString*)>
AShooterPlayerControllerGetPlayerCharacterName() {
  return {"AShooterPlayerController.GetPlayerCharacterName"};
}
inline GameFunctionMember<AActor*(AShooterPlayerController*, FString*, float, float, float, bool)>
AShooterPlayerControllerSpawnActor() {
  return {"AShooterPlayerController.SpawnActor"};
}
inline GameFunctionMember<void(AShooterPlayerController*, float, float, float)> AShooterPlayerControllerSetPlayerPos() {
  return {"AShooterPlayerController.SetPlayerPos"};
}
inline GameFunctionMember<void(AShooterPlayerController*, ChatMessageRecord)>
AShooterPlayerControllerClientChatMessage() {
  return {"AShooterPlayerController.ClientChatMessage"};
}
inline GameFunctionMember<void(AShooterPlayerController*, FString*, FLinearColor*, float, float, UObject*, UObject*)>
AShooterPlayerControllerClientServerUlvaneNotificationCustom() {
  return {"AShooterPlayerController.ClientServerUlvaneNotificationCustom"};
}

// Characters and creatures.
inline GameFieldMember<UPrimalCharacterStatusComponent*> APrimalCharacterMyCharacterStatusComponent() {
  return {"APrimalCharacter.MyCharacterStatusComponent"};
}
inline GameFieldMember<UPrimalInventoryComponent*> APrimalCharacterMyInventoryComponent() {
  return {"APrimalCharacter.MyInventoryComponent"};
}
inline GameFieldMember<uint32_t> APrimalDinoCharacterDinoID1() { return {"APrimalDinoCharacter.DinoID1"}; }
inline GameFieldMember<uint32_t> APrimalDinoCharacterDinoID2() { return {"APrimalDinoCharacter.DinoID2"}; }
inline GameFieldMember<FName> APrimalDinoCharacterDinoNameTag() { return {"APrimalDinoCharacter.DinoNameTag"}; }
inline GameFieldMember<int32_t> APrimalDinoCharacterAbsoluteBaseLevel() {
  return {"APrimalDinoCharacter.AbsoluteBaseLevel"};
}
inline GameFieldMember<int32_t> APrimalDinoCharacterTamingTeamID() { return {"APrimalDinoCharacter.TamingTeamID"}; }
inline GameFieldMember<FString> APrimalDinoCharacterTamerString() { return {"APrimalDinoCharacter.TamerString"}; }
inline GameFieldMember<uint64_t> APrimalDinoCharacterTamedFollowTarget() {
  return {"APrimalDinoCharacter.TamedFollowTarget"};
}
inline GameFieldMember<int32_t> APrimalDinoCharacterTamedAggressionLevel() {
  return {"APrimalDinoCharacter.TamedAggressionLevel"};
}
inline GameBitFieldMember APrimalDinoCharacterIgnoreAllWhistles() {
  return {"APrimalDinoCharacter.bIgnoreAllWhistles"};
}
inline GameBitFieldMember APrimalDinoCharacterIgnoreAllyLook() { return {"APrimalDinoCharacter.bIgnoreAllyLook"}; }
inline GameFunctionMember<void(APrimalDinoCharacter*, AShooterPlayerController*, bool, int32_t)>
APrimalDinoCharacterTameDino() {
  return {"APrimalDinoCharacter.TameDino"};
}
inline GameFunctionMember<void(APrimalDinoCharacter*)> APrimalDinoCharacterBeginPlay() {
  return {"APrimalDinoCharacter.BeginPlay"};
}
inline GameFunctionMember<void(APrimalDinoCharacter*, FString*, uint64_t)>
APrimalDinoCharacterUpdateImprintingDetails() {
  return {"APrimalDinoCharacter.UpdateImprintingDetails"};
}
inline GameFunctionMember<void(APrimalDinoCharacter*, float)> APrimalDinoCharacterUpdateImprintingQuality() {
  return {"APrimalDinoCharacter.UpdateImprintingQuality"};
}

// A character's status: its values are arrays indexed by stat.
inline GameFieldMember<float> UPrimalCharacterStatusComponentMaxStatusValues() {
  return {"UPrimalCharacterStatusComponent.MaxStatusValues"};
}
inline GameFieldMember<float> UPrimalCharacterStatusComponentCurrentStatusValues() {
  return {"UPrimalCharacterStatusComponent.CurrentStatusValues"};
}
inline GameFieldMember<uint8_t> UPrimalCharacterStatusComponentNumberOfLevelUpPointsApplied() {
  return {"UPrimalCharacterStatusComponent.NumberOfLevelUpPointsApplied"};
}
inline GameFieldMember<uint8_t> UPrimalCharacterStatusComponentNumberOfLevelUpPointsAppliedTamed() {
  return {"UPrimalCharacterStatusComponent.NumberOfLevelUpPointsAppliedTamed"};
}
inline GameFieldMember<int32_t> UPrimalCharacterStatusComponentBaseCharacterLevel() {
  return {"UPrimalCharacterStatusComponent.BaseCharacterLevel"};
}
inline GameFieldMember<uint16_t> UPrimalCharacterStatusComponentExtraCharacterLevel() {
  return {"UPrimalCharacterStatusComponent.ExtraCharacterLevel"};
}
inline GameFieldMember<float> UPrimalCharacterStatusComponentExperiencePoints() {
  return {"UPrimalCharacterStatusComponent.ExperiencePoints"};
}
inline GameFunctionMember<float(UPrimalCharacterStatusComponent*)>
UPrimalCharacterStatusComponentGetExperienceRequiredForPreviousLevelUp() {
  return {"UPrimalCharacterStatusComponent.GetExperienceRequiredForPreviousLevelUp"};
}
inline GameBitFieldMember UPrimalCharacterStatusComponentInitializedBaseLevelMaxStatusValues() {
  return {"UPrimalCharacterStatusComponent.bInitializedBaseLevelMaxStatusValues"};
}

// Items.
inline GameFunctionMember<UPrimalItem*(UClass*, UPrimalInventoryComponent*, bool, bool, float, bool, int32_t, bool,
                                       float, bool, UPrimalItem*)>
UPrimalItemAddNewItem() {
  return {"UPrimalItem.AddNewItem"};
}
inline GameFieldMember<uint16_t> UPrimalItemItemStatValues() { return {"UPrimalItem.ItemStatValues"}; }
inline GameFunctionMember<void(UPrimalItem*)> UPrimalItemUpdatedItem() { return {"UPrimalItem.UpdatedItem"}; }
