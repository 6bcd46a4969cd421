// Engine value types as the game lays them out: FString, TArray, FName and the
// object classes the plugin names. Every buffer comes from the game's allocator,
// reached by name at each use, so the game can take over or free what we hand it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

// TEXT("...") is a literal of engine text. On Windows both are spelled as
// <windows.h> spells them, so that either may be included first.
#if defined(_WIN32)
using TCHAR = wchar_t;
#define __TEXT(quote) L##quote
#define TEXT(quote) __TEXT(quote)
#else
using TCHAR = char16_t;
#define TEXT(quote) u##quote
#endif
static_assert(sizeof(TCHAR) == 2, "engine text has 16-bit code units");

// Wide text as the host and the engine see it: 16-bit code units on every platform.
using WideString = std::basic_string<TCHAR>;
using WideStringView = std::basic_string_view<TCHAR>;

// The game classes the plugin handles. They are opaque: the plugin reaches
// their members by name only. Derivation mirrors the game's so that a controller
// can be passed where its base is asked for.
struct UObject {};
struct UClass : UObject {};
struct UWorld : UObject {};
struct UActorComponent : UObject {};
struct USceneComponent : UActorComponent {};
struct UPrimalCharacterStatusComponent : UActorComponent {};
struct UPrimalInventoryComponent : UActorComponent {};
struct UPrimalItem : UObject {};
struct AActor : UObject {};
struct APlayerState : AActor {};
struct AShooterPlayerState : APlayerState {};
struct APawn : AActor {};
struct ACharacter : APawn {};
struct APrimalCharacter : ACharacter {};
struct APrimalDinoCharacter : APrimalCharacter {};
struct AController : AActor {};
struct APlayerController : AController {};
struct AShooterPlayerController : APlayerController {};

namespace EChatSendMode {
enum Type : uint8_t { GlobalChat, GlobalTribeChat, LocalChat, AllianceChat, MAX };
}

struct FName {
  int32_t ComparisonIndex = 0;
  int32_t Number = 0;
};

struct FVector {
  float X = 0, Y = 0, Z = 0;
};

struct FRotator {
  float Pitch = 0, Yaw = 0, Roll = 0;
};

// A moment as the engine counts it: ticks of 100 ns since 0001-01-01 00:00 UTC.
struct FDateTime {
  int64_t Ticks = 0;
};

struct FLinearColor {
  float R = 0, G = 0, B = 0, A = 0;
};

// The host's name resolution of game members, declared here once because the
// game's allocator below needs it; the rest of the host is in TalvexApi.h.
namespace TalvexApi {
// A game function's entry by "Class.Member", called with the object first.
void* GetAddress(const std::string& name);
// The address of a field inside `object`.
uint64_t GetAddress(const void* object, const std::string& name);
}  // namespace TalvexApi

// A game member that the host does not resolve (a game update renamed or
// removed it): nothing is called, read or written through it, and the command
// that met it stops there.
class UnavailableMember : public std::runtime_error {
 public:
  explicit UnavailableMember(const std::string& name)
      : std::runtime_error("the game member \"" + name + "\" is not available") {}
};

// The entry of the game function `name`; throws UnavailableMember when the host has none.
inline void* ResolveGameFunction(const std::string& name) {
  void* entry = TalvexApi::GetAddress(name);
  if (entry == nullptr) throw UnavailableMember(name);
  return entry;
}

// The game's allocator, named here rather than with the other game members
// (GameMembers.h) because the texts and arrays below need it.
inline constexpr char kGameReallocMember[] = "FMemory.Realloc";
inline constexpr char kGameFreeMember[] = "FMemory.Free";

// The game's allocator. Resolved at every call: an address is never kept.
inline void* GameRealloc(void* block, std::size_t size) {
  using ReallocFn = void* (*)(void*, std::size_t);
  return reinterpret_cast<ReallocFn>(ResolveGameFunction(kGameReallocMember))(block, size);
}

// Load refuses to start without kGameFreeMember, so a block is only ever left
// to the game when the host stops resolving it while the plugin runs.
inline void GameFree(void* block) {
  if (block == nullptr) return;
  using FreeFn = void (*)(void*);
  auto* free_block = reinterpret_cast<FreeFn>(TalvexApi::GetAddress(kGameFreeMember));
  if (free_block != nullptr) free_block(block);
}

// Capacity an engine array grows to when it must hold `count` elements.
inline int32_t GrownCapacity(int32_t count, int32_t capacity) {
  if (capacity == 0 && count <= 4) return 4;
  const int64_t grown = int64_t{count} + 3 * int64_t{count} / 8 + 16;
  return grown > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                     : static_cast<int32_t>(grown);
}

// An engine array: storage pointer, element count, capacity. Owns its elements.
template <typename T>
struct TArray {
  T* Data = nullptr;
  int32_t ArrayNum = 0;
  int32_t ArrayMax = 0;

  TArray() = default;
  TArray(const TArray& other) { CopyFrom(other); }
  TArray(TArray&& other) noexcept { Steal(other); }
  TArray& operator=(const TArray& other) {
    if (this != &other) {
      TArray copy(other);
      Release();
      Steal(copy);
    }
    return *this;
  }
  TArray& operator=(TArray&& other) noexcept {
    if (this != &other) {
      Release();
      Steal(other);
    }
    return *this;
  }
  ~TArray() { Release(); }

  int32_t Num() const { return ArrayNum; }
  T& operator[](int32_t index) { return Data[index]; }
  const T& operator[](int32_t index) const { return Data[index]; }
  T* begin() { return Data; }
  T* end() { return Data + ArrayNum; }
  const T* begin() const { return Data; }
  const T* end() const { return Data + ArrayNum; }

  template <typename... Args>
  T& Emplace(Args&&... args) {
    if (ArrayNum == ArrayMax) Reserve(GrownCapacity(ArrayNum + 1, ArrayMax));
    T* slot = new (Data + ArrayNum) T(std::forward<Args>(args)...);
    ++ArrayNum;
    return *slot;
  }

  // Destroys every element and gives the storage back to the game.
  void Empty() { Release(); }

 private:
  // Engine arrays move their elements bitwise, as the engine's own do; every
  // element type the plugin stores (pointers, FString) allows it.
  void Reserve(int32_t capacity) {
    if (capacity <= ArrayMax) throw std::bad_alloc();
    T* grown = static_cast<T*>(GameRealloc(Data, std::size_t(capacity) * sizeof(T)));
    if (grown == nullptr) throw std::bad_alloc();
    Data = grown;
    ArrayMax = capacity;
  }
  void CopyFrom(const TArray& other) {
    if (other.ArrayNum == 0) return;
    Data = static_cast<T*>(GameRealloc(nullptr, std::size_t(other.ArrayNum) * sizeof(T)));
    if (Data == nullptr) throw std::bad_alloc();
    ArrayMax = other.ArrayNum;
    for (; ArrayNum < other.ArrayNum; ++ArrayNum) new (Data + ArrayNum) T(other.Data[ArrayNum]);
  }
  void Steal(TArray& other) {
    Data = std::exchange(other.Data, nullptr);
    ArrayNum = std::exchange(other.ArrayNum, 0);
    ArrayMax = std::exchange(other.ArrayMax, 0);
  }
  void Release() {
    for (int32_t i = 0; i < ArrayNum; ++i) Data[i].~T();
    GameFree(Data);
    Data = nullptr;
    ArrayNum = 0;
    ArrayMax = 0;
  }
};

// Engine text: a NUL-terminated array of 16-bit units. The empty text has no
// buffer and count 0; a text of n characters has count n + 1. A copy's
// capacity equals its count.
struct FString {
  TCHAR* Data = nullptr;
  int32_t ArrayNum = 0;
  int32_t ArrayMax = 0;

  FString() = default;
  explicit FString(WideStringView text) { Assign(text); }
  FString(const FString& other) { Assign(other.View()); }
  FString(FString&& other) noexcept
      : Data(std::exchange(other.Data, nullptr)),
        ArrayNum(std::exchange(other.ArrayNum, 0)),
        ArrayMax(std::exchange(other.ArrayMax, 0)) {}
  FString& operator=(const FString& other) {
    if (this != &other) {
      FString copy(other);
      *this = std::move(copy);
    }
    return *this;
  }
  // NOLINTNEXTLINE(bugprone-exception-escape): GameFree only looks up a name the host always has.
  FString& operator=(FString&& other) noexcept {
    if (this != &other) {
      GameFree(Data);
      Data = std::exchange(other.Data, nullptr);
      ArrayNum = std::exchange(other.ArrayNum, 0);
      ArrayMax = std::exchange(other.ArrayMax, 0);
    }
    return *this;
  }
  ~FString() { GameFree(Data); }  // NOLINT(bugprone-exception-escape): as for the move above.

  bool IsEmpty() const { return ArrayNum <= 1; }
  int32_t Len() const { return ArrayNum > 0 ? ArrayNum - 1 : 0; }
  // The characters before the terminator.
  WideStringView View() const {
    return Data == nullptr ? WideStringView() : WideStringView(Data, static_cast<std::size_t>(Len()));
  }

 private:
  void Assign(WideStringView text) {
    if (text.empty()) return;
    if (text.size() >= std::size_t(std::numeric_limits<int32_t>::max())) throw std::bad_alloc();
    const int32_t count = static_cast<int32_t>(text.size()) + 1;
    Data = static_cast<TCHAR*>(GameRealloc(nullptr, std::size_t(count) * sizeof(TCHAR)));
    if (Data == nullptr) throw std::bad_alloc();
    std::memcpy(Data, text.data(), text.size() * sizeof(TCHAR));
    Data[text.size()] = 0;
    ArrayNum = count;
    ArrayMax = count;
  }
};

// An FString's three fields with no ownership: how engine text travels inside
// records that must be trivially copyable, and how the game side takes texts
// it fills, frees or only reads.
struct RawText {
  TCHAR* Data;
  int32_t ArrayNum;
  int32_t ArrayMax;
};

static_assert(sizeof(FString) == 16, "FString is pointer, count, capacity");
static_assert(sizeof(RawText) == sizeof(FString), "RawText is laid out as FString");
static_assert(sizeof(TArray<void*>) == 16, "TArray is pointer, count, capacity");
