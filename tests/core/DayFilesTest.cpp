// The audit lines' day files at a day's turn, which no end-to-end test reaches:
// the sink opens the new day's file and removes those past the newest kept, as
// it does when it is opened; and which names count as day files.
#include "orvanel/core/DayFiles.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <spdlog/sinks/daily_file_sink.h>

namespace {

namespace fs = std::filesystem;

class DayFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device seed;
    folder_ = fs::temp_directory_path() / ("orvanel-dayfiles-" + std::to_string(seed()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& file : fs::directory_iterator(folder_)) names.push_back(file.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_;
};

TEST_F(DayFilesTest, EachDaysTurnOpensItsFileAndKeepsTheNewest) {
  for (const char* name : {"audit_2020-01-01.log", "audit_2020-01-02.log"}) std::ofstream(folder_ / name) << "old\n";
  const spdlog::sink_ptr sink = OpenDayFiles((folder_ / "audit.log").string(), 2);
  auto& days = dynamic_cast<spdlog::sinks::daily_file_sink_mt&>(*sink);
  const std::string today = fs::path(days.filename()).filename().string();
  EXPECT_EQ(Names(), (std::vector<std::string>{"audit_2020-01-02.log", today}));

  // The sink takes a line's day from its time.
  const auto log_at = [&](std::chrono::hours later, const char* text) {
    sink->log(spdlog::details::log_msg(spdlog::log_clock::now() + later, spdlog::source_loc{}, "Dremmet",
                                       spdlog::level::info, text));
    sink->flush();
    return fs::path(days.filename()).filename().string();
  };
  const std::string tomorrow = log_at(std::chrono::hours(24), "one");
  EXPECT_EQ(Names(), (std::vector<std::string>{today, tomorrow}));
  const std::string after = log_at(std::chrono::hours(48), "two");
  EXPECT_EQ(Names(), (std::vector<std::string>{tomorrow, after}));
  std::ifstream file(folder_ / after);
  std::string line;
  std::getline(file, line);
  EXPECT_TRUE(line.ends_with("two")) << line;
}

TEST(DayFileNamesTest, OnlyTheDatedNamesOfTheFileCountAndTheOpenOneIsKept) {
  EXPECT_EQ(ExpiredDayFiles("audit", "audit_2020-01-03",
                            {"audit_2020-01-01", "audit_2020-01-03", "audit_2020-01-02", "audit_2020-01-02.log",
                             "audit", "audit_2020-01-0x", "Audit_2020-01-01"},
                            1),
            (std::vector<std::string>{"audit_2020-01-02", "audit_2020-01-01"}));
  // Files dated after the open one (a clock set back) are kept before older ones.
  EXPECT_EQ(
      ExpiredDayFiles("a.log", "a_2020-01-01.log", {"a_2031-01-01.log", "a_2020-01-01.log", "a_2030-01-01.log"}, 2),
      std::vector<std::string>{"a_2030-01-01.log"});
}

}  // namespace
