// What the store's tests share: a fresh database on an engine's server, Alice's
// Steam id as the sandbox's worlds give it, the notes a store gave its
// operator, kept for reading after the fact, and a wait for what the store's
// worker does in its own time.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "orvanel/store/SharedStore.h"
#include "store/Databases.h"

// The server of `engine`, started at first use, with a fresh database whose
// connection string goes to `connection`; null, the test failed, when the
// server cannot be started.
inline TestDatabase* FreshDatabaseOf(const std::string& engine, std::string& connection) {
  std::string why;
  TestDatabase* database = DatabaseOf(engine, why);
  if (database == nullptr) {
    ADD_FAILURE() << engine << " cannot be started: " << why;
    return nullptr;
  }
  connection = database->FreshDatabase();
  return database;
}

inline constexpr uint64_t kAlice = 76561198000000001u;

struct StoreNotes {
  std::mutex mutex;
  std::vector<std::string> lines;
  SharedStoreNotes Sink() {
    return [this](const std::string& text, bool) {
      const std::lock_guard<std::mutex> lock(mutex);
      lines.push_back(text);
    };
  }
  std::vector<std::string> Holding(const std::string& fragment) {
    const std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> found;
    for (const std::string& line : lines)
      if (line.find(fragment) != std::string::npos) found.push_back(line);
    return found;
  }
  std::vector<std::string> All() {
    const std::lock_guard<std::mutex> lock(mutex);
    return lines;
  }
};

// Whether `condition` holds within `within`, asked again every 20 ms.
inline bool Eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds within = std::chrono::seconds(30)) {
  const auto until = std::chrono::steady_clock::now() + within;
  while (std::chrono::steady_clock::now() < until) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condition();
}
