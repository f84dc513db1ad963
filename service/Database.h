// One SQLite connection with prepared statements, transactions and the error type that
// tells a busy or full database apart from other failures.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace zqs {

// A failed database operation. Busy: another connection holds a lock longer than the
// busy time-out; Full: the disk (or the page limit) is full; Other: anything else.
class StorageError : public std::runtime_error {
 public:
  enum class Kind { Busy, Full, Other };
  StorageError(Kind kind, int code, const std::string& what)
      : std::runtime_error(what), kind_(kind), code_(code) {}
  Kind kind() const { return kind_; }
  int code() const { return code_; }

 private:
  Kind kind_;
  int code_;
};

// Throws StorageError for an SQLite result code that is not a success.
[[noreturn]] void ThrowSqlite(sqlite3* db, int rc, const char* doing);

// A prepared statement; reset and cleared of bindings when a new use begins.
class Statement {
 public:
  Statement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, const std::string& value);
  Statement& BindNull(int index);
  // Advances to the next row; false when there is none (the statement is done).
  bool Step();
  // Runs a statement that returns no rows.
  void Run();
  std::int64_t Int(int column) const;
  std::string Text(int column) const;
  bool IsNull(int column) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_;
};

class Database {
 public:
  // Opens (creating when missing) the file at `path`; busyTimeoutMs bounds how long a
  // statement waits for another connection's lock before failing with Busy.
  Database(const std::string& path, int busyTimeoutMs);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Runs one or more statements without results.
  void Exec(const std::string& sql);
  // The statement for `sql`, prepared once per connection and reset for this use.
  Statement Prepare(const char* sql);
  // First column of the first row of `sql`, or nothing when there is no row.
  std::optional<std::int64_t> QueryInt(const char* sql);
  // Resets every prepared statement, so that none keeps a read snapshot open.
  void ResetStatements();
  sqlite3* handle() { return db_; }

 private:
  sqlite3* db_ = nullptr;
  std::unordered_map<const char*, sqlite3_stmt*> cache_;
};

// A write transaction: begun IMMEDIATE so that the write lock is taken at once, rolled
// back unless committed, so that an error halfway leaves no half-written record.
class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  void Commit();

 private:
  Database& db_;
  bool done_ = false;
};

}  // namespace zqs
