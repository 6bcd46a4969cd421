#include "orvanel/store/SharedStore.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "orvanel/core/UseLimits.h"
#include "orvanel/store/Dialect.h"

namespace {

using Clock = std::chrono::steady_clock;

// A store the plugin will not write to: an engine it does not speak, or
// tables of a version it does not know.
class RefusedStore : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class JobKind { Claim, GiveBack, Record, Find, UsesOf, Forget, ForgetAll, AddRecords };

// One request to the worker and its answer, guarded by the store's mutex.
struct Job {
  JobKind kind = JobKind::Claim;
  UseKey key;
  UseLimits limits;
  int64_t nowMs = 0;
  // GiveBack: the record as the claim found it, and the moment it claimed.
  UseRecord before;
  int64_t claimedAtMs = 0;

  bool done = false;
  bool failed = false;
  // The caller no longer waits: a use the worker counts after this is given back.
  bool abandoned = false;
  UseClaim claim;
  UseRecord record;
  std::optional<UseRecord> found;
  // UsesOf: the answer; AddRecords: what to add.
  std::vector<std::pair<UseKey, UseRecord>> uses;
  // AddRecords: the commit was sent, so a failure after it may have added all.
  bool committing = false;
};

int64_t Number(const std::optional<std::string>& text) { return text ? std::stoll(*text) : 0; }

UseRecord RecordOf(const SqlRow& row) { return {static_cast<uint64_t>(Number(row.at(0))), Number(row.at(1))}; }

// The Steam id's 64 bits in a signed column.
std::vector<SqlValue> KeyValues(const UseKey& key) {
  return {static_cast<int64_t>(key.steamId), key.command, key.entry};
}

// How long a stop waits for the worker to end. It ends within moments, but
// for one that waits on the dynamic loader (the driver manager loading or
// unloading a driver), whose lock an unload holds: that one ends once the
// unload is over, and nothing waits for it.
constexpr std::chrono::milliseconds kStopWaitMs{1000};

// The store and its worker. The worker holds it too, so that it outlives the
// handle the caller owns: a stop asks the worker to end and does not join it.
class DatabaseStore final : public std::enable_shared_from_this<DatabaseStore> {
 public:
  DatabaseStore(StoreSettings settings, std::unique_ptr<UseStore> local, SharedStoreNotes notes, SqlConnector connector,
                ReconnectPauses pauses)
      : settings_(std::move(settings)),
        local_(settings_.whenUnreachable == WhenUnreachable::Local ? std::move(local) : nullptr),
        countsLocally_(local_ != nullptr),
        notes_(std::move(notes)),
        connector_(std::move(connector)),
        pauses_(pauses),
        secret_(ConnectionValue(settings_.connection, "Pwd")
                    .value_or(ConnectionValue(settings_.connection, "Password").value_or(""))) {}
  DatabaseStore(const DatabaseStore&) = delete;
  DatabaseStore& operator=(const DatabaseStore&) = delete;
  ~DatabaseStore() = default;

  void Start() {
    worker_ = std::thread([self = shared_from_this()] {
      self->Work();
      {
        const std::lock_guard<std::mutex> lock(self->mutex_);
        self->finished_ = true;
      }
      self->answered_.notify_all();
    });
  }

  // Asks the worker to end, the statement in flight cancelled, and waits for
  // it at most kStopWaitMs. It is joined only once it has left its loop, and
  // never on Windows: a plugin stops its store while it unloads, under the
  // dynamic loader's lock, which a thread's end needs there and a worker inside
  // the driver manager may be waiting for anywhere. What belongs to the caller
  // (the notes, the journal) is let go of here, so that the worker touches
  // nothing of it after.
  void Stop() {
    std::unique_lock<std::mutex> lock(mutex_);
    stop_ = true;
    if (current_ != nullptr) current_->Cancel();
    notes_ = nullptr;
    wake_.notify_all();
    const bool finished = answered_.wait_for(lock, kStopWaitMs, [this] { return finished_; });
    lock.unlock();
#if defined(_WIN32)
    (void)finished;
    worker_.detach();
#else
    // Past its loop, a thread's end here needs no lock of the loader's, and a
    // join lets the driver's libraries free what they keep for the thread
    // before the process may end.
    if (finished)
      worker_.join();
    else
      worker_.detach();
#endif
    local_.reset();
  }

  bool Reachable() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return reachable_;
  }

  bool Settled(int64_t ms) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return answered_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return queue_.empty() && !busy_; });
  }

  UseClaim Claim(const UseKey& key, const UseLimits& limits, int64_t nowMs) {
    auto job = std::make_shared<Job>();
    job->kind = JobKind::Claim;
    job->key = key;
    job->limits = limits;
    job->nowMs = nowMs;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!Answers() || !Await(lock, job) || job->failed) {
      lock.unlock();
      return ClaimLocally(key, limits, nowMs);
    }
    UseClaim claim = job->claim;
    if (claim.verdict.kind == UseVerdictKind::Allowed) {
      claim.ticket = ++lastTicket_;
      held_.emplace(claim.ticket, Held{false, 0, key, job->before, nowMs});
    }
    return claim;
  }

  // The claim counted the use already.
  void Keep(uint64_t ticket) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto held = held_.find(ticket);
    if (held == held_.end()) return;
    const Held use = held->second;
    held_.erase(held);
    lock.unlock();
    if (use.local) local_->Keep(use.localTicket);
  }

  void GiveBack(uint64_t ticket) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto held = held_.find(ticket);
    if (held == held_.end()) return;
    const Held use = held->second;
    held_.erase(held);
    if (use.local) {
      lock.unlock();
      local_->GiveBack(use.localTicket);
      return;
    }
    PushGiveBack(use.key, use.before, use.atMs);
  }

  std::optional<UseRecord> Find(const UseKey& key) const {
    auto job = std::make_shared<Job>();
    job->kind = JobKind::Find;
    job->key = key;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (Answers() && Await(lock, job) && !job->failed) return job->found;
    }
    if (local_) return local_->Find(key);
    throw std::runtime_error(Unanswered());
  }

  UseRecord Record(const UseKey& key, int64_t nowMs) {
    auto job = std::make_shared<Job>();
    job->kind = JobKind::Record;
    job->key = key;
    job->nowMs = nowMs;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (Answers() && Await(lock, job) && !job->failed) return job->record;
    }
    if (local_) return local_->Record(key, nowMs);
    throw std::runtime_error(Unanswered());
  }

  std::vector<std::pair<UseKey, UseRecord>> UsesOf(uint64_t steamId) const {
    auto job = std::make_shared<Job>();
    job->kind = JobKind::UsesOf;
    job->key.steamId = steamId;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (Answers() && Await(lock, job) && !job->failed) return job->uses;
    }
    if (local_) return local_->UsesOf(steamId);
    throw std::runtime_error(Unanswered());
  }

  void Forget(const UseKey& key) { Remove(JobKind::Forget, key); }
  void ForgetAll(uint64_t steamId) { Remove(JobKind::ForgetAll, UseKey{steamId, {}, {}}); }

  StoreAddition AddRecords(const std::vector<std::pair<UseKey, UseRecord>>& records, int64_t ms) {
    auto job = std::make_shared<Job>();
    job->kind = JobKind::AddRecords;
    job->uses = records;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!Answers()) return StoreAddition::NotAdded;
    if (!Await(lock, job, ms) || (job->failed && job->committing)) return StoreAddition::Unknown;
    return job->failed ? StoreAddition::NotAdded : StoreAddition::Added;
  }

 private:
  struct Held {
    bool local = false;
    uint64_t localTicket = 0;
    UseKey key;
    UseRecord before;
    int64_t atMs = 0;
  };

  enum class State { Starting, Connected, Lost, Refused };

  // Called with the mutex held. While the worker makes its first connection a
  // request waits for it as for any answer, so that the commands typed just
  // after a load are not refused for a database that answers within WaitMs.
  bool Answers() const { return reachable_ || connecting_; }

  std::string Unanswered() const { return SharedStoreUnanswered(settings_.server); }

  UseClaim ClaimLocally(const UseKey& key, const UseLimits& limits, int64_t nowMs) {
    if (!local_) return UseClaim{UseVerdict{UseVerdictKind::Unreachable, 0, 0}, 0};
    UseClaim claim = local_->Claim(key, limits, nowMs);
    if (claim.verdict.kind != UseVerdictKind::Allowed) return claim;
    const std::lock_guard<std::mutex> lock(mutex_);
    const uint64_t localTicket = claim.ticket;
    claim.ticket = ++lastTicket_;
    held_.emplace(claim.ticket, Held{true, localTicket, key, {}, nowMs});
    return claim;
  }

  // Hands `job` to the worker and waits at most WaitMs (or `ms`) for its
  // answer; false when none came, the job then abandoned.
  bool Await(std::unique_lock<std::mutex>& lock, const std::shared_ptr<Job>& job,
             std::optional<int64_t> ms = std::nullopt) const {
    queue_.push_back(job);
    wake_.notify_all();
    if (answered_.wait_for(lock, std::chrono::milliseconds(ms.value_or(settings_.waitMs)), [&] { return job->done; }))
      return true;
    job->abandoned = true;
    return false;
  }

  void Remove(JobKind kind, const UseKey& key) {
    auto job = std::make_shared<Job>();
    job->kind = kind;
    job->key = key;
    std::unique_lock<std::mutex> lock(mutex_);
    // A removal that runs late still removes: it is left to the worker.
    if (!Answers() || !Await(lock, job) || job->failed) throw std::runtime_error(Unanswered());
  }

  // Called with the mutex held.
  void PushGiveBack(const UseKey& key, const UseRecord& before, int64_t atMs) const {
    auto job = std::make_shared<Job>();
    job->kind = JobKind::GiveBack;
    job->key = key;
    job->before = before;
    job->claimedAtMs = atMs;
    job->abandoned = true;  // no one waits for it
    queue_.push_back(std::move(job));
    wake_.notify_all();
  }

  // --- the worker's side ---

  void Work() {
    std::unique_ptr<SqlConnection> link;
    const Dialect* dialect = nullptr;
    int64_t pauseMs = pauses_.firstMs;
    for (;;) {
      if (!link) {
        if (Stopping()) break;
        try {
          link = Connect(dialect);
          const std::lock_guard<std::mutex> lock(mutex_);
          current_ = link.get();
          reachable_ = true;
          connecting_ = false;
          pauseMs = pauses_.firstMs;
        } catch (const RefusedStore& refused) {
          Change(State::Refused, refused.what());
          pauseMs = pauses_.lastMs;
        } catch (const std::exception& failure) {
          Change(State::Lost, failure.what());
        }
        if (!link) {
          FailWaiting();
          std::unique_lock<std::mutex> lock(mutex_);
          wake_.wait_for(lock, std::chrono::milliseconds(pauseMs), [this] { return stop_; });
          pauseMs = std::min(pauseMs * 2, pauses_.lastMs);
          continue;
        }
        Change(State::Connected, dialect->engine);
      }
      std::shared_ptr<Job> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) break;
        job = queue_.front();
        queue_.pop_front();
        // Nothing waits for a claim or a count abandoned before it ran.
        if (job->abandoned && (job->kind == JobKind::Claim || job->kind == JobKind::Record)) continue;
        busy_ = true;
      }
      try {
        RunJob(*link, *dialect, *job);
        Answer(job, false);
      } catch (const std::exception& failure) {
        try {
          link->Rollback();
        } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch): the connection goes anyway
        }
        {
          const std::lock_guard<std::mutex> lock(mutex_);
          current_ = nullptr;
          reachable_ = false;
          // A give-back is owed: it waits for the connection's return.
          if (job->kind == JobKind::GiveBack && !stop_) queue_.push_front(job);
        }
        link.reset();
        Answer(job, true);
        if (!Stopping()) Change(State::Lost, failure.what());
      }
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      current_ = nullptr;
      reachable_ = false;
    }
    link.reset();
    FailWaiting();
  }

  bool Stopping() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return stop_;
  }

  // Connects, makes the tables of a store that has none and checks the
  // version of one that has.
  std::unique_ptr<SqlConnection> Connect(const Dialect*& dialect) {
    std::unique_ptr<SqlConnection> link = connector_(settings_.connection);
    const std::string engine = link->Engine();
    dialect = DialectOf(engine);
    if (dialect == nullptr)
      throw RefusedStore("the engine " + engine + " is not one the store speaks (PostgreSQL or MariaDB)");
    // Servers starting at once on a new store make its tables at once, and
    // PostgreSQL fails all but one CREATE TABLE IF NOT EXISTS: the others find
    // the tables made when they try again.
    for (int tries = 1;; ++tries) {
      try {
        MakeTables(*link, *dialect);
        return link;
      } catch (const SqlError&) {
        if (tries == 3) throw;
        link->Rollback();
      }
    }
  }

  void MakeTables(SqlConnection& link, const Dialect& dialect) {
    link.Run(dialect.createVersionTable, {});
    const std::vector<SqlRow> versions = link.Run(dialect.readVersion, {});
    for (const SqlRow& row : versions)
      if (Number(row.at(0)) != kStoreSchemaVersion) {
        link.Rollback();
        throw RefusedStore("its tables are of version " + row.at(0).value_or("NULL") + ", this plugin knows " +
                           std::to_string(kStoreSchemaVersion) + "; they are left as they are");
      }
    link.Run(dialect.createUsesTable, {});
    if (versions.empty()) link.Run(dialect.writeVersion, {kStoreSchemaVersion});
    link.Commit();
  }

  void RunJob(SqlConnection& link, const Dialect& dialect, Job& job) {
    // Two servers locking one record at once may be told to try again.
    for (int tries = 1;; ++tries) {
      try {
        RunOnce(link, dialect, job);
        return;
      } catch (const SqlError& error) {
        if (!error.Retryable() || tries == 5) throw;
        link.Rollback();
      }
    }
  }

  UseRecord Locked(SqlConnection& link, const Dialect& dialect, const UseKey& key) {
    std::vector<SqlValue> ensure = KeyValues(key);
    ensure.emplace_back(settings_.server);
    link.Run(dialect.ensureRecord, ensure);
    const std::vector<SqlRow> rows = link.Run(dialect.lockRecord, KeyValues(key));
    if (rows.empty()) throw SqlError("HY000", "the record just made cannot be read");
    return RecordOf(rows.front());
  }

  void Write(SqlConnection& link, const Dialect& dialect, const UseKey& key, const UseRecord& record) {
    std::vector<SqlValue> values{static_cast<int64_t>(record.count), record.lastMs, settings_.server};
    for (SqlValue& value : KeyValues(key)) values.push_back(std::move(value));
    link.Run(dialect.writeRecord, values);
  }

  void RunOnce(SqlConnection& link, const Dialect& dialect, Job& job) {
    switch (job.kind) {
      case JobKind::Claim: {
        const UseRecord record = Locked(link, dialect, job.key);
        const std::optional<UseRecord> judged =
            record.count > 0 || record.lastMs != 0 ? std::optional<UseRecord>(record) : std::nullopt;
        job.claim.verdict = JudgeUse(job.limits, judged, job.nowMs);
        job.before = record;
        // The check and the count are one transaction on a locked record, so
        // that two servers claiming the last use give it once.
        if (job.claim.verdict.kind == UseVerdictKind::Allowed)
          Write(link, dialect, job.key, UseRecord{record.count + 1, job.nowMs});
        else if (record.lastMs > job.nowMs)
          Write(link, dialect, job.key, UseRecord{record.count, job.nowMs});
        link.Commit();
        return;
      }
      case JobKind::GiveBack: {
        UseRecord record = Locked(link, dialect, job.key);
        if (record.count > 0) --record.count;
        if (record.lastMs == job.claimedAtMs) record.lastMs = job.before.lastMs;
        Write(link, dialect, job.key, record);
        link.Commit();
        return;
      }
      case JobKind::Record: {
        UseRecord record = Locked(link, dialect, job.key);
        job.before = record;
        job.record = UseRecord{record.count + 1, job.nowMs};
        Write(link, dialect, job.key, job.record);
        link.Commit();
        return;
      }
      case JobKind::Find: {
        const std::vector<SqlRow> rows = link.Run(dialect.findRecord, KeyValues(job.key));
        link.Rollback();
        if (!rows.empty() && Number(rows.front().at(0)) > 0) job.found = RecordOf(rows.front());
        return;
      }
      case JobKind::UsesOf: {
        const std::vector<SqlRow> rows = link.Run(dialect.recordsOf, {static_cast<int64_t>(job.key.steamId)});
        link.Rollback();
        for (const SqlRow& row : rows)
          job.uses.emplace_back(UseKey{job.key.steamId, row.at(0).value_or(""), row.at(1).value_or("")},
                                UseRecord{static_cast<uint64_t>(Number(row.at(2))), Number(row.at(3))});
        return;
      }
      case JobKind::Forget:
        link.Run(dialect.forgetRecord, KeyValues(job.key));
        link.Commit();
        return;
      case JobKind::ForgetAll:
        link.Run(dialect.forgetRecords, {static_cast<int64_t>(job.key.steamId)});
        link.Commit();
        return;
      case JobKind::AddRecords:
        // One transaction: every record is added, or none.
        for (const auto& [key, added] : job.uses) {
          const UseRecord record = Locked(link, dialect, key);
          Write(link, dialect, key, UseRecord{record.count + added.count, std::max(record.lastMs, added.lastMs)});
        }
        {
          const std::lock_guard<std::mutex> lock(mutex_);
          job.committing = true;
        }
        link.Commit();
        return;
    }
  }

  // A claim or a count confirmed after its caller stopped waiting is given back.
  void Answer(const std::shared_ptr<Job>& job, bool failed) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      job->done = true;
      job->failed = failed;
      busy_ = false;
      if (!failed && job->abandoned &&
          ((job->kind == JobKind::Claim && job->claim.verdict.kind == UseVerdictKind::Allowed) ||
           job->kind == JobKind::Record))
        PushGiveBack(job->key, job->before, job->nowMs);
    }
    answered_.notify_all();
  }

  // While there is no connection nothing waits for one: every request but the
  // owed give-backs is answered as failed at once.
  void FailWaiting() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      connecting_ = false;
      std::deque<std::shared_ptr<Job>> owed;
      for (const std::shared_ptr<Job>& job : queue_) {
        if (job->kind == JobKind::GiveBack && !stop_) {
          owed.push_back(job);
          continue;
        }
        job->done = true;
        job->failed = true;
      }
      queue_ = std::move(owed);
    }
    answered_.notify_all();
  }

  // Tells the operator of a change of state once, in words without the secret.
  void Change(State state, const std::string& detail) {
    const std::string reason = Scrubbed(detail);
    std::string text;
    const std::string name = "The use store \"" + settings_.server + "\"";
    bool fault = true;
    if (state == State::Connected) {
      if (state_ == State::Connected) return;
      text = state_ == State::Starting ? name + " is connected (" + reason + ")." : name + " can be reached again.";
      fault = false;
    } else if (state == State::Lost) {
      if (state_ == State::Lost) return;
      text = name + " cannot be reached (" + reason + "); " +
             (countsLocally_ ? "uses are counted on this server only, unseen by the others, until it can."
                             : "limited entries are refused until it can.");
    } else {
      if (state_ == State::Refused && reason == refusal_) return;
      refusal_ = reason;
      text = name + " is refused: " + reason + ".";
    }
    state_ = state;
    const std::lock_guard<std::mutex> lock(mutex_);
    if (notes_) notes_(text, fault);
  }

  std::string Scrubbed(std::string text) const {
    if (secret_.empty()) return text;
    for (std::size_t at = text.find(secret_); at != std::string::npos; at = text.find(secret_, at + 3))
      text.replace(at, secret_.size(), "***");
    return text;
  }

  const StoreSettings settings_;
  std::unique_ptr<UseStore> local_;  // the caller's thread's alone
  const bool countsLocally_;
  SharedStoreNotes notes_;  // guarded by the mutex: a stop lets go of it
  const SqlConnector connector_;
  const ReconnectPauses pauses_;
  const std::string secret_;

  mutable std::mutex mutex_;
  mutable std::condition_variable wake_;
  mutable std::condition_variable answered_;
  mutable std::deque<std::shared_ptr<Job>> queue_;
  bool stop_ = false;
  bool reachable_ = false;
  bool connecting_ = true;  // until the first try to connect has ended
  bool busy_ = false;
  bool finished_ = false;  // the worker has left its loop
  SqlConnection* current_ = nullptr;
  std::map<uint64_t, Held> held_;
  uint64_t lastTicket_ = 0;

  // The worker's own.
  State state_ = State::Starting;
  std::string refusal_;
  std::thread worker_;
};

// What the caller owns: its end stops the store's worker without joining it.
class StoreHandle final : public SharedStore {
 public:
  explicit StoreHandle(std::shared_ptr<DatabaseStore> store) : store_(std::move(store)) { store_->Start(); }
  StoreHandle(const StoreHandle&) = delete;
  StoreHandle& operator=(const StoreHandle&) = delete;
  ~StoreHandle() override { store_->Stop(); }

  bool Reachable() const override { return store_->Reachable(); }
  bool Settled(int64_t ms) const override { return store_->Settled(ms); }
  StoreAddition AddRecords(const std::vector<std::pair<UseKey, UseRecord>>& records, int64_t ms) override {
    return store_->AddRecords(records, ms);
  }
  UseClaim Claim(const UseKey& key, const UseLimits& limits, int64_t nowMs) override {
    return store_->Claim(key, limits, nowMs);
  }
  void Keep(uint64_t ticket) override { store_->Keep(ticket); }
  void GiveBack(uint64_t ticket) override { store_->GiveBack(ticket); }
  std::optional<UseRecord> Find(const UseKey& key) const override { return store_->Find(key); }
  UseRecord Record(const UseKey& key, int64_t nowMs) override { return store_->Record(key, nowMs); }
  std::vector<std::pair<UseKey, UseRecord>> UsesOf(uint64_t steamId) const override { return store_->UsesOf(steamId); }
  void Forget(const UseKey& key) override { store_->Forget(key); }
  void ForgetAll(uint64_t steamId) override { store_->ForgetAll(steamId); }

 private:
  const std::shared_ptr<DatabaseStore> store_;
};

}  // namespace

std::unique_ptr<SharedStore> OpenSharedStore(StoreSettings settings, std::unique_ptr<UseStore> local,
                                             SharedStoreNotes notes, SqlConnector connector, ReconnectPauses pauses) {
  return std::make_unique<StoreHandle>(std::make_shared<DatabaseStore>(std::move(settings), std::move(local),
                                                                       std::move(notes), std::move(connector), pauses));
}
