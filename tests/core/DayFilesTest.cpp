// The audit lines' day files as the clock they are given moves: the sink opens
// each day's file and removes those past the newest kept, as it does when it is
// opened; and which names count as day files.
#include "orvanel/run/DayFiles.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <spdlog/details/os.h>
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

// Noon of a local day of 2020, in milliseconds, for a clock the test moves.
int64_t LocalNoonMs(int day) {
  std::tm noon{};
  noon.tm_year = 120;
  noon.tm_mon = 0;
  noon.tm_mday = day;
  noon.tm_hour = 12;
  noon.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&noon)) * 1000;
}

TEST_F(DayFilesTest, EachDayOfTheClockOpensItsFileAndKeepsTheNewest) {
  for (const char* name : {"audit_2020-01-01.log", "audit_2020-01-02.log"}) std::ofstream(folder_ / name) << "old\n";
  int64_t now = LocalNoonMs(5);
  const spdlog::sink_ptr sink = OpenDayFiles((folder_ / "audit.log").string(), 2, [&now] { return now; });
  sink->set_pattern("%Y-%m-%d %v");
  EXPECT_EQ(Names(), (std::vector<std::string>{"audit_2020-01-02.log", "audit_2020-01-05.log"}));

  // The line's own time is not the day's: the clock's is, and the line bears it.
  const auto log_at = [&](int day, const char* text) {
    now = LocalNoonMs(day);
    sink->log(
        spdlog::details::log_msg(spdlog::log_clock::now(), spdlog::source_loc{}, "Dremmet", spdlog::level::info, text));
    sink->flush();
  };
  log_at(6, "one");
  EXPECT_EQ(Names(), (std::vector<std::string>{"audit_2020-01-05.log", "audit_2020-01-06.log"}));
  log_at(8, "two");
  log_at(8, "three");
  EXPECT_EQ(Names(), (std::vector<std::string>{"audit_2020-01-06.log", "audit_2020-01-08.log"}));
  // A clock gone back writes to its own day, and removes nothing of the later ones.
  log_at(7, "back");
  EXPECT_EQ(Names(),
            (std::vector<std::string>{"audit_2020-01-06.log", "audit_2020-01-07.log", "audit_2020-01-08.log"}));
  std::ifstream file(folder_ / "audit_2020-01-08.log", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, std::string("2020-01-08 two") + spdlog::details::os::default_eol + "2020-01-08 three" +
                      spdlog::details::os::default_eol);
}

TEST(DayFileNamesTest, OnlyTheDatedNamesOfTheFileCountAndTheOpenOneIsKept) {
  EXPECT_EQ(ExpiredDayFiles("audit", "audit_2020-01-03",
                            {"audit_2020-01-01", "audit_2020-01-03", "audit_2020-01-02", "audit_2020-01-02.log",
                             "audit", "audit_2020-01-0x", "Audit_2020-01-01"},
                            1),
            (std::vector<std::string>{"audit_2020-01-02", "audit_2020-01-01"}));
  // Files dated after the open one, today's, are none the sink wrote: they neither count nor go.
  EXPECT_EQ(ExpiredDayFiles("a.log", "a_2020-01-01.log",
                            {"a_2031-01-01.log", "a_2020-01-01.log", "a_2030-01-01.log", "a_2019-12-31.log"}, 2),
            std::vector<std::string>{});
  // Only real days: 2020 has a 29 February, 2019 none.
  EXPECT_EQ(ExpiredDayFiles("a", "a_2020-03-01",
                            {"a_2020-02-29", "a_2019-02-29", "a_2020-13-45", "a_2020-00-10", "a_2020-01-00",
                             "a_2020-04-31", "a_2020-01-31", "a_9999-99-99"},
                            2),
            std::vector<std::string>{"a_2020-01-31"});
  // Every fourth year is a leap year but a century's, unless it is a fourth century.
  EXPECT_EQ(ExpiredDayFiles("a", "a_2101-03-01", {"a_2100-02-29", "a_2000-02-29", "a_2000-01-01"}, 2),
            std::vector<std::string>{"a_2000-01-01"});
  // An open file whose date is none removes nothing.
  EXPECT_EQ(ExpiredDayFiles("a", "a_2020-02-30", {"a_2020-01-01"}, 1), std::vector<std::string>{});
}

// "Days": 3 among files that only look like day files: the real ones of the
// last days are kept, the look-alikes stay, and an empty folder of such a name too.
TEST_F(DayFilesTest, LookAlikesNeitherTakeTheKeptPlacesNorGo) {
  const std::vector<std::string> look_alikes = {"audit_2026-13-45.log", "audit_9999-99-99.log", "audit_2020-01-11.log",
                                                "audit_2021-02-29.log"};
  for (const std::string& name : look_alikes) std::ofstream(folder_ / name) << "not the sink's\n";
  for (const char* name : {"audit_2020-01-01.log", "audit_2020-01-02.log", "audit_2020-01-03.log"})
    std::ofstream(folder_ / name) << "old\n";
  fs::create_directories(folder_ / "audit_2019-12-31.log");
  const spdlog::sink_ptr sink = OpenDayFiles((folder_ / "audit.log").string(), 3, [] { return LocalNoonMs(10); });
  const std::string today = "audit_2020-01-10.log";
  std::vector<std::string> expected = look_alikes;
  expected.insert(expected.end(), {"audit_2019-12-31.log", "audit_2020-01-02.log", "audit_2020-01-03.log", today});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(), expected);
  EXPECT_TRUE(fs::is_directory(folder_ / "audit_2019-12-31.log"));
}

}  // namespace
