// The use store's journal on disk: what reopening finds after uses, after a
// write a kill cut short, after a file that is no journal, and after kills of a
// process at random points while it records and while it rewrites.
#include "orvanel/core/UseJournal.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/KilledChild.h"

#if !defined(_WIN32)
#include <unistd.h>

#include <cstring>
#endif

namespace {

namespace fs = std::filesystem;

constexpr const char* kStamp = "20261210-071500";

class UseJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device seed;
    folder_ = fs::temp_directory_path() / ("orvanel-journal-" + std::to_string(seed()));
    fs::create_directories(folder_);
    path_ = folder_ / kUseJournalFile;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  UseJournalOpening Open() const { return OpenUseJournal(path_, kStamp); }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void Append(const std::string& bytes) const { std::ofstream(path_, std::ios::binary | std::ios::app) << bytes; }

  fs::path folder_;
  fs::path path_;
};

const UseKey kAliceKit{76561198000000001ULL, "ItemTemplate_Console", "starter"};
const UseKey kAliceCave{76561198000000001ULL, "TeleportTo_Console", "H\xc3\xb6hle \"deep\"\n"};
const UseKey kBobKit{76561198000000002ULL, "ItemTemplate_Console", "starter"};

TEST_F(UseJournalTest, UsesSurviveReopeningAndTheFileIsRewrittenOneLineAKey) {
  {
    UseJournalOpening opening = Open();
    EXPECT_EQ(opening.failure, "");
    UseStore& store = *opening.store;
    EXPECT_EQ(store.Find(kAliceKit), std::nullopt);
    EXPECT_EQ(store.Record(kAliceKit, 1000), (UseRecord{1, 1000}));
    EXPECT_EQ(store.Record(kAliceKit, 2500), (UseRecord{2, 2500}));
    store.Record(kBobKit, -5);
    store.Record(kAliceCave, 7);
  }
  UseJournalOpening opening = Open();
  EXPECT_EQ(opening.failure, "");
  EXPECT_TRUE(opening.movedTo.empty());
  EXPECT_EQ(opening.store->Find(kAliceKit), (UseRecord{2, 2500}));
  EXPECT_EQ(opening.store->Find(kBobKit), (UseRecord{1, -5}));
  EXPECT_EQ(opening.store->Find(kAliceCave), (UseRecord{1, 7}));
  EXPECT_EQ(opening.store->Find(UseKey{76561198000000001ULL, "ItemTemplate_Console", "Starter"}), std::nullopt);
  const auto alices = opening.store->UsesOf(76561198000000001ULL);
  ASSERT_EQ(alices.size(), 2u);
  EXPECT_EQ(alices[0].first, kAliceKit);
  EXPECT_EQ(alices[1].first, kAliceCave);
  const std::string text = Read(path_);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  EXPECT_FALSE(fs::exists(folder_ / "state.journal.tmp"));
}

TEST_F(UseJournalTest, AResetIsKeptAcrossReopeningAndLeftOutOfTheRewrite) {
  {
    UseJournalOpening opening = Open();
    UseStore& store = *opening.store;
    store.Record(kAliceKit, 1000);
    store.Record(kAliceKit, 2000);
    store.Record(kAliceCave, 3000);
    store.Record(kBobKit, 4000);
    store.Forget(kAliceKit);
    EXPECT_EQ(store.Find(kAliceKit), std::nullopt);
    // A key with no record is left alone: nothing is written for it.
    const std::string before = Read(path_);
    store.Forget(UseKey{3, "K", "none"});
    store.ForgetAll(3);
    EXPECT_EQ(Read(path_), before);
  }
  {
    UseJournalOpening opening = Open();
    EXPECT_EQ(opening.store->Find(kAliceKit), std::nullopt);
    EXPECT_EQ(opening.store->Find(kAliceCave), (UseRecord{1, 3000}));
    opening.store->ForgetAll(76561198000000001ULL);
    EXPECT_TRUE(opening.store->UsesOf(76561198000000001ULL).empty());
    EXPECT_EQ(opening.store->Find(kBobKit), (UseRecord{1, 4000}));
  }
  UseJournalOpening opening = Open();
  EXPECT_TRUE(opening.store->UsesOf(76561198000000001ULL).empty());
  EXPECT_EQ(opening.store->Find(kBobKit), (UseRecord{1, 4000}));
  // The rewrite holds Bob's record alone.
  const std::string text = Read(path_);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
  // A reset counted afresh from then on.
  EXPECT_EQ(opening.store->Record(kAliceKit, 5000), (UseRecord{1, 5000}));
}

TEST_F(UseJournalTest, AWriteCutShortIsLeftOutAndNothingIsAppendedOntoIt) {
  Open().store->Record(kAliceKit, 1000);
  Append("[76561198000000001,\"ItemTemplate_Console\",\"starter\",2,20");
  {
    UseJournalOpening opening = Open();
    EXPECT_EQ(opening.failure, "");
    // What a kill leaves is no line to name nor a file to set aside.
    EXPECT_TRUE(opening.skippedLines.empty());
    EXPECT_TRUE(opening.movedTo.empty());
    EXPECT_EQ(opening.store->Find(kAliceKit), (UseRecord{1, 1000}));
    opening.store->Record(kAliceKit, 3000);
  }
  // A leftover rewrite from a kill is not a journal and is not read.
  std::ofstream(folder_ / "state.journal.tmp") << "half";
  UseJournalOpening opening = Open();
  EXPECT_EQ(opening.failure, "");
  EXPECT_EQ(opening.store->Find(kAliceKit), (UseRecord{2, 3000}));
  EXPECT_FALSE(fs::exists(folder_ / "state.journal.tmp"));
}

TEST_F(UseJournalTest, ALineThatIsNoRecordIsSkippedAndTheFileCopiedAsideBeforeItIsRewritten) {
  Open().store->Record(kAliceKit, 1000);
  Append("[76561198000000002,\"ItemTemplate_Console\",\"starter\",\"two\",20]\n");
  Append("[76561198000000002,\"ItemTemplate_Console\",\"starter\",1,30]\n");
  const std::string broken = Read(path_);
  UseJournalOpening opening = Open();
  EXPECT_EQ(opening.failure, "");
  EXPECT_EQ(opening.skippedLines, std::vector<std::size_t>{2});
  EXPECT_EQ(opening.movedTo, folder_ / "state.broken-20261210-071500");
  EXPECT_EQ(Read(opening.movedTo), broken);
  EXPECT_EQ(UseJournalReport("J", opening),
            "The use store J has lines that are no use record (line 2); they are skipped and every other record is "
            "kept; the file as it was is copied to " +
                opening.movedTo.string());
  EXPECT_EQ(opening.store->Find(kAliceKit), (UseRecord{1, 1000}));
  EXPECT_EQ(opening.store->Find(kBobKit), (UseRecord{1, 30}));
  EXPECT_EQ(Read(path_),
            "[76561198000000001,\"ItemTemplate_Console\",\"starter\",1,1000]\n"
            "[76561198000000002,\"ItemTemplate_Console\",\"starter\",1,30]\n");
  opening.store.reset();
  opening = Open();
  EXPECT_EQ(UseJournalReport("J", opening), "");
  EXPECT_TRUE(opening.skippedLines.empty());

  // Lines of every kind among the records: each is named, the first ten by number.
  std::string text;
  for (int line = 1; line <= 13; ++line)
    text += line == 7 ? "[76561198000000001,\"ItemTemplate_Console\",\"starter\",5,70]\n" : "{\"x\": 1}\n";
  std::ofstream(path_, std::ios::binary) << text;
  opening = Open();
  EXPECT_EQ(opening.store->Find(kAliceKit), (UseRecord{5, 70}));
  EXPECT_EQ(opening.movedTo, folder_ / "state.broken-20261210-071500-2");
  EXPECT_EQ(UseJournalReport("J", opening).substr(0, 98),
            "The use store J has lines that are no use record (lines 1, 2, 3, 4, 5, 6, 8, 9, 10, 11 and 2 more)");
}

TEST_F(UseJournalTest, BlankLinesAreNothingAndAWholeLastRecordWithoutItsNewlineIsKept) {
  Append("\n[76561198000000001,\"ItemTemplate_Console\",\"starter\",2,20]\n   \n\n\t \r\n");
  Append("[76561198000000002,\"ItemTemplate_Console\",\"starter\",1,30]\r\n\n");
  Append("[76561198000000001,\"TeleportTo_Console\",\"H\\u00f6hle \\\"deep\\\"\\n\",3,40]");
  UseJournalOpening opening = Open();
  EXPECT_EQ(UseJournalReport("J", opening), "");
  EXPECT_TRUE(opening.movedTo.empty());
  EXPECT_EQ(opening.store->Find(kAliceKit), (UseRecord{2, 20}));
  EXPECT_EQ(opening.store->Find(kBobKit), (UseRecord{1, 30}));
  EXPECT_EQ(opening.store->Find(kAliceCave), (UseRecord{3, 40}));
  const std::string text = Read(path_);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  EXPECT_NE(text.find("3,40]\n"), std::string::npos) << text;
  for (const auto& file : fs::directory_iterator(folder_)) EXPECT_EQ(file.path(), path_);
}

TEST_F(UseJournalTest, AFileWithNoRecordIsMovedAsideWholeAndNeverWrittenOver) {
  Append("{}\n\n[76561198000000002,\"ItemTemplate_Console\",\"starter\",\"two\",20]\n");
  const std::string broken = Read(path_);
  UseJournalOpening opening = Open();
  EXPECT_EQ(opening.failure, "nothing in it is a use record (lines 1, 3)");
  EXPECT_EQ(opening.movedTo, folder_ / "state.broken-20261210-071500");
  EXPECT_EQ(UseJournalReport("J", opening),
            "The use store J could not be read (nothing in it is a use record (lines 1, 3)); it was moved to " +
                opening.movedTo.string() + ", and uses are counted anew");
  EXPECT_EQ(Read(opening.movedTo), broken);
  // The plugin goes on with nothing counted, and keeps what it counts now.
  EXPECT_EQ(opening.store->Find(kAliceKit), std::nullopt);
  opening.store->Record(kBobKit, 5);
  opening.store.reset();
  EXPECT_EQ(Open().store->Find(kBobKit), (UseRecord{1, 5}));

  // A second broken file in the same second gets a name of its own.
  std::ofstream(path_, std::ios::binary) << "junk\n";
  opening = Open();
  EXPECT_EQ(opening.failure, "nothing in it is a use record (line 1)");
  EXPECT_EQ(opening.movedTo, folder_ / "state.broken-20261210-071500-2");
  EXPECT_EQ(Read(folder_ / "state.broken-20261210-071500"), broken);
}

#if !defined(_WIN32)
// On Windows a file held open for appending cannot be replaced or removed
// (the editor's save fails, and the uses stay where they are): POSIX only.
// As an editor saves: a new file written beside the journal and moved over it.
TEST_F(UseJournalTest, AFileReplacedOrRemovedWhileOpenIsReadAgainAndAppendedTo) {
  std::vector<std::pair<std::string, bool>> notes;
  UseJournalOpening opening =
      OpenUseJournal(path_, kStamp, [&notes](const std::string& text, bool fault) { notes.emplace_back(text, fault); });
  opening.store->Record(kAliceKit, 1000);
  std::ofstream(folder_ / "edited", std::ios::binary)
      << "[76561198000000002,\"ItemTemplate_Console\",\"starter\",4,50]\n";
  fs::rename(folder_ / "edited", path_);
  EXPECT_EQ(opening.store->Record(kAliceKit, 2000), (UseRecord{1, 2000}));
  EXPECT_EQ(opening.store->Find(kBobKit), (UseRecord{4, 50}));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0],
            std::make_pair("The use store " + path_.string() + " was replaced while the server ran; it was read again",
                           false));
  EXPECT_EQ(opening.store->Record(kAliceKit, 3000), (UseRecord{2, 3000}));
  EXPECT_EQ(notes.size(), 1u);

  fs::remove(path_);
  EXPECT_EQ(opening.store->Claim(kBobKit, UseLimits{0, 4}, 4000).verdict.kind, UseVerdictKind::Allowed);
  EXPECT_EQ(opening.store->Record(kBobKit, 4000), (UseRecord{1, 4000}));
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[1].first,
            "The use store " + path_.string() + " was removed while the server ran; uses are counted anew");

  // A replacement with a line that is no record is read as at opening, and its trouble told.
  std::ofstream(folder_ / "edited", std::ios::binary)
      << "[76561198000000001,\"ItemTemplate_Console\",\"starter\",7,70]\noops\n";
  fs::rename(folder_ / "edited", path_);
  opening.store->Record(kBobKit, 5000);
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_TRUE(notes[3].second);
  EXPECT_EQ(notes[3].first.rfind("The use store " + path_.string() + " has lines that are no use record (line 2)", 0),
            0u)
      << notes[3].first;
  opening.store.reset();
  opening = Open();
  EXPECT_EQ(opening.store->Find(kAliceKit), (UseRecord{7, 70}));
  EXPECT_EQ(opening.store->Find(kBobKit), (UseRecord{1, 5000}));
}
#endif

// The clock went back, or another machine's ran ahead: the record counts as a
// use at its first judgement, and is written so.
TEST_F(UseJournalTest, ARecordDatedAfterNowIsDatedAtItsFirstJudgementForGood) {
  const UseLimits five_minutes{300000, std::nullopt};
  Open().store->Record(kAliceKit, 86400000 + 1000);
  {
    UseJournalOpening opening = Open();
    EXPECT_EQ(opening.store->Claim(kAliceKit, five_minutes, 1000).verdict.waitMs, 300000);
    EXPECT_EQ(opening.store->Claim(kAliceKit, five_minutes, 2000).verdict.waitMs, 299000);
    EXPECT_EQ(opening.store->Find(kAliceKit), (UseRecord{1, 1000}));
  }
  UseJournalOpening opening = Open();
  EXPECT_EQ(opening.store->Find(kAliceKit), (UseRecord{1, 1000}));
  EXPECT_EQ(opening.store->Claim(kAliceKit, five_minutes, 300999).verdict.waitMs, 1);
  EXPECT_EQ(opening.store->Claim(kAliceKit, five_minutes, 301000).verdict.kind, UseVerdictKind::Allowed);
}

TEST_F(UseJournalTest, WhereNothingCanBeWrittenUsesAreKeptInMemoryAndTheFileLeftAlone) {
  const fs::path nowhere = folder_ / "missing" / kUseJournalFile;
  UseJournalOpening opening = OpenUseJournal(nowhere, kStamp);
  EXPECT_NE(opening.failure.find("cannot write"), std::string::npos) << opening.failure;
  EXPECT_EQ(opening.store->Record(kAliceKit, 1), (UseRecord{1, 1}));
  EXPECT_EQ(opening.store->Record(kAliceKit, 2), (UseRecord{2, 2}));
  EXPECT_FALSE(fs::exists(nowhere.parent_path()));

  // What stands where the journal would be and is no file is moved aside whole.
  fs::create_directories(path_ / "inside");
  opening = Open();
  EXPECT_EQ(opening.failure, "not a regular file that can be read");
  EXPECT_TRUE(fs::is_directory(opening.movedTo / "inside"));
  EXPECT_TRUE(fs::is_regular_file(path_));
}

#if !defined(_WIN32)
// A child process records uses of one key and says so after each; it is killed
// at a random point, now and then while it reopens (and rewrites) the journal.
// Reopening must always succeed and find every use the child reported, and at
// most the one it was recording.
TEST_F(UseJournalTest, AKillAtAnyMomentLosesAtMostTheUseBeingRecorded) {
  {
    UseJournalOpening opening = Open();
    for (int i = 0; i < 3000; ++i) opening.store->Record(UseKey{static_cast<uint64_t>(i), "K", "filler"}, i);
  }
  std::mt19937 random(20261210);
  uint64_t reported = 0;
  for (int round = 0; round < 40; ++round) {
    // Even rounds reopen after every few uses, odd ones never.
    const int batch = round % 2 == 0 ? 3 : std::numeric_limits<int>::max();
    const std::size_t acknowledgements = std::uniform_int_distribution<std::size_t>(1, 20)(random);
    // Reading and rewriting 3000 records take some milliseconds: a random wait
    // lands kills all through them.
    const KilledChild run = RunUntilKilled(
        [&](int write_end) {
          for (uint64_t use = 0;; ++use) {
            UseJournalOpening opening = Open();
            if (!opening.failure.empty()) _exit(2);
            for (int k = 0; k < batch; ++k) {
              const UseRecord record = opening.store->Record(kAliceKit, static_cast<int64_t>(use));
              if (write(write_end, &record.count, sizeof record.count) != sizeof record.count) _exit(3);
            }
          }
        },
        [&](const std::string& written) { return written.size() >= acknowledgements * sizeof reported; },
        std::uniform_int_distribution<useconds_t>(0, 6000)(random));
    ASSERT_TRUE(run.killed) << "the child stopped by itself: " << run.status;
    // The last whole count the child reported before it died.
    const std::size_t whole = run.written.size() / sizeof reported * sizeof reported;
    if (whole > 0) std::memcpy(&reported, run.written.data() + whole - sizeof reported, sizeof reported);

    UseJournalOpening opening = Open();
    ASSERT_EQ(opening.failure, "") << "round " << round;
    ASSERT_TRUE(opening.movedTo.empty());
    const std::optional<UseRecord> kept = opening.store->Find(kAliceKit);
    ASSERT_TRUE(kept.has_value());
    EXPECT_GE(kept->count, reported) << "round " << round;
    EXPECT_LE(kept->count, reported + 1) << "round " << round;
    reported = kept->count;
    EXPECT_EQ(opening.store->UsesOf(2999).size(), 1u);
  }
}

TEST_F(UseJournalTest, AResetAcknowledgedBeforeAKillIsNeverUndone) {
  std::mt19937 random(20261211);
  for (int round = 0; round < 20; ++round) {
    // Each pass counts a use and resets it: without resets kept, the count grows.
    const KilledChild run = RunUntilKilled(
        [&](int write_end) {
          for (;;) {
            UseJournalOpening opening = Open();
            if (!opening.failure.empty()) _exit(2);
            opening.store->Record(kAliceKit, 1);
            opening.store->Record(kBobKit, 1);
            opening.store->ForgetAll(kAliceKit.steamId);
            opening.store->Forget(kBobKit);
            if (write(write_end, "r", 1) != 1) _exit(3);
          }
        },
        [](const std::string& written) { return !written.empty(); },
        std::uniform_int_distribution<useconds_t>(0, 3000)(random));
    ASSERT_TRUE(run.killed) << "the child stopped by itself: " << run.status;
    UseJournalOpening opening = Open();
    ASSERT_EQ(opening.failure, "") << "round " << round;
    EXPECT_LE(opening.store->Find(kAliceKit).value_or(UseRecord{}).count, 1u) << "round " << round;
    EXPECT_LE(opening.store->Find(kBobKit).value_or(UseRecord{}).count, 1u) << "round " << round;
  }
}
#endif

}  // namespace
