// One SQLite connection with prepared statements, transactions and the error type that
// tells a busy or full database apart from other failures.
#include "service/Database.h"

namespace zqs {

void ThrowSqlite(sqlite3* db, int rc, const char* doing) {
  StorageError::Kind kind = StorageError::Kind::Other;
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      kind = StorageError::Kind::Busy;
      break;
    case SQLITE_FULL:
      kind = StorageError::Kind::Full;
      break;
    default:
      break;
  }
  std::string what = std::string(doing) + ": " + sqlite3_errstr(rc);
  if (db) {
    const char* detail = sqlite3_errmsg(db);
    if (detail && what.find(detail) == std::string::npos) what += std::string(" (") + detail + ")";
  }
  throw StorageError(kind, rc, what);
}

Statement& Statement::Bind(int index, std::int64_t value) {
  int rc = sqlite3_bind_int64(stmt_, index, value);
  if (rc != SQLITE_OK) ThrowSqlite(db_, rc, "bind");
  return *this;
}

Statement& Statement::Bind(int index, const std::string& value) {
  int rc = sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                             SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) ThrowSqlite(db_, rc, "bind");
  return *this;
}

Statement& Statement::BindNull(int index) {
  int rc = sqlite3_bind_null(stmt_, index);
  if (rc != SQLITE_OK) ThrowSqlite(db_, rc, "bind");
  return *this;
}

bool Statement::Step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  // Reset at once so that the failed statement holds no lock while the error unwinds.
  sqlite3_reset(stmt_);
  ThrowSqlite(db_, rc, "step");
}

void Statement::Run() {
  while (Step()) {
  }
}

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  if (!text) return std::string();
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Database::Database(const std::string& path, int busyTimeoutMs) {
  int rc =
      sqlite3_open_v2(path.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string detail = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw StorageError(StorageError::Kind::Other, rc, "cannot open " + path + ": " + detail);
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, busyTimeoutMs);
}

Database::~Database() {
  for (auto& entry : cache_) sqlite3_finalize(entry.second);
  sqlite3_close(db_);
}

void Database::Exec(const std::string& sql) {
  char* error = nullptr;
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
  sqlite3_free(error);
  if (rc != SQLITE_OK) ThrowSqlite(db_, rc, "exec");
}

Statement Database::Prepare(const char* sql) {
  sqlite3_stmt*& stmt = cache_[sql];
  if (!stmt) {
    int rc = sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
      cache_.erase(sql);
      ThrowSqlite(db_, rc, "prepare");
    }
  } else {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
  }
  return Statement(db_, stmt);
}

std::optional<std::int64_t> Database::QueryInt(const char* sql) {
  Statement st = Prepare(sql);
  if (!st.Step()) return std::nullopt;
  std::int64_t value = st.Int(0);
  st.Run();
  return value;
}

void Database::ResetStatements() {
  for (auto& entry : cache_) sqlite3_reset(entry.second);
}

Transaction::Transaction(Database& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
  if (!done_) sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  db_.Exec("COMMIT");
  done_ = true;
}

}  // namespace zqs
