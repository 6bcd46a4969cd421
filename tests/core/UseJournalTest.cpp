// The use store's journal on disk: what reopening finds after uses, after a
// write a kill cut short, after a file that is no journal, and after kills of a
// process at random points while it records and while it rewrites.
#include "orvanel/core/UseJournal.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
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

TEST_F(UseJournalTest, AWriteCutShortIsLeftOutAndNothingIsAppendedOntoIt) {
  Open().store->Record(kAliceKit, 1000);
  Append("[76561198000000001,\"ItemTemplate_Console\",\"starter\",2,20");
  {
    UseJournalOpening opening = Open();
    EXPECT_EQ(opening.failure, "");
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

TEST_F(UseJournalTest, AFileThatIsNoJournalIsMovedAsideUnderTheTimeAndNeverWrittenOver) {
  Open().store->Record(kAliceKit, 1000);
  Append("[76561198000000002,\"ItemTemplate_Console\",\"starter\",\"two\",20]\n");
  const std::string broken = Read(path_);
  UseJournalOpening opening = Open();
  EXPECT_EQ(opening.failure, "line 2: not a use record");
  EXPECT_EQ(opening.movedTo, folder_ / "state.broken-20261210-071500");
  EXPECT_EQ(Read(opening.movedTo), broken);
  // The plugin goes on with nothing counted, and keeps what it counts now.
  EXPECT_EQ(opening.store->Find(kAliceKit), std::nullopt);
  opening.store->Record(kBobKit, 5);
  opening.store.reset();
  EXPECT_EQ(Open().store->Find(kBobKit), (UseRecord{1, 5}));

  // A second broken file in the same second gets a name of its own.
  Append("{}\n");
  opening = Open();
  EXPECT_EQ(opening.failure.rfind("line 2: ", 0), 0u) << opening.failure;
  EXPECT_EQ(opening.movedTo, folder_ / "state.broken-20261210-071500-2");
  EXPECT_EQ(Read(folder_ / "state.broken-20261210-071500"), broken);
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
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    // Even rounds reopen after every few uses, odd ones never.
    const int batch = round % 2 == 0 ? 3 : std::numeric_limits<int>::max();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(pipe_ends[0]);
      for (uint64_t use = 0;; ++use) {
        UseJournalOpening opening = Open();
        if (!opening.failure.empty()) _exit(2);
        for (int k = 0; k < batch; ++k) {
          const UseRecord record = opening.store->Record(kAliceKit, static_cast<int64_t>(use));
          if (write(pipe_ends[1], &record.count, sizeof record.count) != sizeof record.count) _exit(3);
        }
      }
    }
    close(pipe_ends[1]);
    const int acknowledgements = std::uniform_int_distribution<int>(1, 20)(random);
    for (int i = 0; i < acknowledgements; ++i)
      ASSERT_EQ(read(pipe_ends[0], &reported, sizeof reported), sizeof reported);
    // Reading and rewriting 3000 records take some milliseconds: a random wait
    // lands kills all through them.
    usleep(std::uniform_int_distribution<useconds_t>(0, 6000)(random));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself: " << status;
    // What the child said before it died, the pipe still holds.
    for (uint64_t later = 0; read(pipe_ends[0], &later, sizeof later) == sizeof later;) reported = later;
    close(pipe_ends[0]);

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
#endif

}  // namespace
