#pragma once
// The history of runs: one SQLite database that records each run with the identity of its
// failures, compares it with the company's run before it, and reads runs back (a company's list,
// every run for a summary) or deletes a company's runs.
//
// Runs side by side on one history all record: the database is in WAL mode and a writer waits
// for another (up to kBusyTimeoutMs). A run is recorded in one transaction, so a run killed while
// recording leaves the history as it was. A new history is created readable by its owner only.
// Keep it off network shares (platform/network_path.h): their locks cannot be trusted.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/run_comparison.h"
#include "history/run_record.h"
#include "history/sqlite_handle.h"

namespace history {

inline constexpr int kBusyTimeoutMs = 30000;

// A run as the history holds it.
struct StoredRun {
  std::int64_t id = 0;
  RunRecord record;  // its identities only when asked for
  std::int64_t falhas = 0;
  // The run it was compared with and what the comparison found; nullopt: none.
  std::optional<std::int64_t> anterior;
  std::optional<std::int64_t> corrigidas;
  std::optional<std::int64_t> novas;
  std::optional<std::int64_t> mantidas;
};

class HistoryDb;

// A run written into the history and not committed yet: dropped uncommitted, it is rolled back.
class Recording {
 public:
  Recording(Recording&&) noexcept = default;
  std::int64_t id() const { return id_; }
  // Nullopt when there was no earlier run to compare with (or this run ended in an error).
  const std::optional<RunComparison>& comparison() const { return comparison_; }
  std::optional<RunComparison>& comparison() { return comparison_; }
  void Commit();

 private:
  friend class HistoryDb;
  explicit Recording(Connection& db) : transaction_(std::make_unique<Transaction>(db)) {}
  std::unique_ptr<Transaction> transaction_;
  std::int64_t id_ = 0;
  std::optional<RunComparison> comparison_;
};

class HistoryDb {
 public:
  // Opens the history at `path`, creating it (owner only) when missing and preparing its tables.
  // Throws HistoryError with the database's reason.
  static HistoryDb Open(const std::string& path);

  // Opens the existing history at `path` to read it only: never created, migrated nor written.
  // Refuses, with HistoryError saying why, a path that is no plain file, a file that is no
  // SQLite database or no history, and a history of a newer schema version. A history in WAL
  // mode that no program has open (no -wal file beside it) is read as it is on disk, leaving no
  // -shm or -wal file behind; ChangedWhileRead() then tells whether a run was recorded meanwhile.
  static HistoryDb OpenReadOnly(const std::string& path);

  HistoryDb(HistoryDb&&) noexcept = default;

  // True when the history was read as it was on disk and has changed since it was opened (a
  // program recorded a run): what was read may be torn, and is read again.
  bool ChangedWhileRead() const;

  // Writes `run` and compares it with the most recent earlier run of its company that did not
  // end in an error; the comparison is stored with it. Throws HistoryError.
  Recording Begin(const RunRecord& run);
  // The same, compared with `earlier` as looked up while the run went on (LatestRun), whatever
  // was recorded since; null: with none. A run that ended in an error is compared with none.
  Recording Begin(const RunRecord& run, std::shared_ptr<const StoredRun> earlier);
  // Begin() and Commit() at once.
  Recording Record(const RunRecord& run);

  // The company's (code trimmed) most recent run that did not end in an error, with its
  // identities: the run a run of that company is compared with. Nullopt: none.
  std::optional<StoredRun> LatestRun(std::string_view empresa);
  // The company's runs (code trimmed), newest first, without their identities.
  std::vector<StoredRun> ListRuns(std::string_view empresa);
  // Every run, oldest first, without their identities.
  std::vector<StoredRun> AllRuns();
  // One run, with its identities when asked; nullopt when the history has no such run.
  std::optional<StoredRun> LoadRun(std::int64_t id, bool with_identities);
  // Deletes the company's runs; returns how many.
  std::int64_t DeleteCompany(std::string_view empresa);

  int schema_version() const;

 private:
  explicit HistoryDb(Connection db) : db_(std::make_unique<Connection>(std::move(db))) {}
  // What the file was when opened without locks (OpenReadOnly), to tell a change since.
  struct DiskState {
    std::string path;
    std::int64_t size = 0;
    std::int64_t written = 0;  // the modification time, in the file clock's ticks
  };
  // The run and its comparison with `earlier` (null: none) into the recording's transaction.
  void Write(Recording& recording, const RunRecord& run, std::shared_ptr<const StoredRun> earlier);
  std::vector<StoredRun> Runs(const char* where, std::string_view empresa);
  void LoadDetails(StoredRun& run, bool with_identities);

  std::unique_ptr<Connection> db_;  // stays put: a Recording's transaction refers to it
  std::optional<DiskState> read_as_on_disk_;
};

}  // namespace history
