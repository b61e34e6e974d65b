#pragma once
// A thin hold on SQLite for the history: the connection and the prepared statement as move-only
// owners, and one error type whose text is the database's own reason.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace history {

class HistoryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Connection {
 public:
  // Opens (creating when missing) the database at `path` (UTF-8 on Windows). Throws HistoryError.
  explicit Connection(const std::string& path);
  // Opens the existing database at `path` to read it only (SQLITE_OPEN_READONLY). `immutable`:
  // as a file nobody changes, without locks and without the -shm and -wal files a database in
  // WAL mode otherwise gets beside it. Throws HistoryError.
  static Connection ReadOnly(const std::string& path, bool immutable);
  ~Connection();
  Connection(Connection&& other) noexcept : db_(other.db_) { other.db_ = nullptr; }
  Connection& operator=(Connection&&) = delete;
  Connection(const Connection&) = delete;

  // Runs statements without results. Throws HistoryError.
  void Exec(const char* sql);
  std::int64_t LastInsertId() const;
  // Rows the last statement changed.
  std::int64_t Changes() const;
  sqlite3* get() const { return db_; }
  // Throws the database's last error, `what` first.
  [[noreturn]] void Fail(std::string_view what) const;

 private:
  Connection() = default;
  // sqlite3_open_v2 with `flags`; throws HistoryError with the database's reason.
  void OpenWith(const std::string& name, int flags);

  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(const Connection& db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Parameters from 1. Each returns *this.
  Statement& Bind(int at, std::int64_t value);
  Statement& Bind(int at, double value);
  Statement& Bind(int at, std::string_view text);
  Statement& Bind(int at, const std::optional<std::int64_t>& value);
  Statement& Bind(int at, const std::optional<double>& value);
  Statement& Bind(int at, const std::optional<std::string>& text);
  // A blob bound without a copy: `bytes` must stay as they are until the statement runs or resets.
  Statement& BindBlobInPlace(int at, std::string_view bytes);
  // The next row: true when there is one. Throws HistoryError.
  bool Step();
  // Runs a statement without rows and makes it ready to run again with new parameters.
  void Run();
  void Reset();

  // Columns from 0.
  bool IsNull(int column) const;
  std::int64_t Int(int column) const;
  double Real(int column) const;
  std::string Text(int column) const;  // a blob's bytes too
  // A blob's bytes where the statement holds them: valid until it steps or resets.
  std::string_view BlobView(int column) const;
  std::optional<std::int64_t> OptionalInt(int column) const;
  std::optional<double> OptionalReal(int column) const;
  std::optional<std::string> OptionalText(int column) const;

 private:
  const Connection& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE: the write lock at once (waiting for another writer as long as the busy
// timeout allows), rolled back unless committed.
class Transaction {
 public:
  explicit Transaction(Connection& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  Connection& db_;
  bool open_ = true;
};

}  // namespace history
