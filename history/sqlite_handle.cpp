#include "history/sqlite_handle.h"

#include <sqlite3.h>

namespace history {

namespace {

// `path` as the path of an SQLite URI: every byte but letters, digits and "/._-~" as %XX, so that
// "?", "#" and "%" in a name stay part of it.
std::string UriPath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || c == '/' || c == '.' || c == '_' ||
                       c == '-' || c == '~';
    if (plain) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0xF];
    }
  }
  return uri;
}

}  // namespace

Connection::Connection(const std::string& path) {
  OpenWith(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

Connection Connection::ReadOnly(const std::string& path, bool immutable) {
  Connection db;
  std::string uri = "file:" + UriPath(path) + "?mode=ro";
  if (immutable) uri += "&immutable=1";
  db.OpenWith(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
  return db;
}

void Connection::OpenWith(const std::string& name, int flags) {
  const int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string reason = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw HistoryError(reason);
  }
  sqlite3_extended_result_codes(db_, 1);
}

Connection::~Connection() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
}

void Connection::Exec(const char* sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail({});
}

std::int64_t Connection::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

std::int64_t Connection::Changes() const { return sqlite3_changes64(db_); }

void Connection::Fail(std::string_view what) const {
  std::string text(what);
  if (!text.empty()) text += ": ";
  text += sqlite3_errmsg(db_);
  throw HistoryError(text);
}

Statement::Statement(const Connection& db, const char* sql) : db_(db) {
  if (sqlite3_prepare_v2(db.get(), sql, -1, &stmt_, nullptr) != SQLITE_OK) db.Fail({});
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::Bind(int at, std::int64_t value) {
  if (sqlite3_bind_int64(stmt_, at, value) != SQLITE_OK) db_.Fail({});
  return *this;
}

Statement& Statement::Bind(int at, double value) {
  if (sqlite3_bind_double(stmt_, at, value) != SQLITE_OK) db_.Fail({});
  return *this;
}

Statement& Statement::Bind(int at, std::string_view text) {
  if (sqlite3_bind_text64(stmt_, at, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) !=
      SQLITE_OK) {
    db_.Fail({});
  }
  return *this;
}

Statement& Statement::Bind(int at, const std::optional<std::int64_t>& value) {
  if (value) return Bind(at, *value);
  if (sqlite3_bind_null(stmt_, at) != SQLITE_OK) db_.Fail({});
  return *this;
}

Statement& Statement::Bind(int at, const std::optional<double>& value) {
  if (value) return Bind(at, *value);
  if (sqlite3_bind_null(stmt_, at) != SQLITE_OK) db_.Fail({});
  return *this;
}

Statement& Statement::Bind(int at, const std::optional<std::string>& text) {
  if (text) return Bind(at, std::string_view(*text));
  if (sqlite3_bind_null(stmt_, at) != SQLITE_OK) db_.Fail({});
  return *this;
}

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  db_.Fail({});
}

void Statement::Run() {
  Step();
  Reset();
}

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

double Statement::Real(int column) const { return sqlite3_column_double(stmt_, column); }

std::string Statement::Text(int column) const {
  const void* bytes = sqlite3_column_blob(stmt_, column);
  const int size = sqlite3_column_bytes(stmt_, column);
  if (bytes == nullptr || size <= 0) return {};
  return std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
}

std::string_view Statement::BlobView(int column) const {
  const void* bytes = sqlite3_column_blob(stmt_, column);
  const int size = sqlite3_column_bytes(stmt_, column);
  if (bytes == nullptr || size <= 0) return {};
  return std::string_view(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
}

Statement& Statement::BindBlobInPlace(int at, std::string_view bytes) {
  if (sqlite3_bind_blob64(stmt_, at, bytes.empty() ? "" : bytes.data(), bytes.size(),
                          SQLITE_STATIC) != SQLITE_OK) {
    db_.Fail({});
  }
  return *this;
}

std::optional<std::int64_t> Statement::OptionalInt(int column) const {
  if (IsNull(column)) return std::nullopt;
  return Int(column);
}

std::optional<double> Statement::OptionalReal(int column) const {
  if (IsNull(column)) return std::nullopt;
  return Real(column);
}

std::optional<std::string> Statement::OptionalText(int column) const {
  if (IsNull(column)) return std::nullopt;
  return Text(column);
}

Transaction::Transaction(Connection& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
  if (open_) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  db_.Exec("COMMIT");
  open_ = false;
}

}  // namespace history
