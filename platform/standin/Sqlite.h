// Thin owners of SQLite connections and statements, shared by the store reader and writer.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mailshift::standin::sqlite {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Connection {
 public:
  // Opens the database named by a file name or URI with sqlite3_open_v2 flags; throws Error.
  Connection(const std::string& name, int flags);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* get() const { return db_; }
  // Runs one or more statements that return no rows.
  void Execute(const char* sql);
  // Closes now, reporting a failure (the destructor closes quietly).
  void Close();

 private:
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& BindInt64(int index, std::int64_t value);
  Statement& BindDouble(int index, double value);
  Statement& BindText(int index, std::string_view value);
  Statement& BindBlob(int index, const void* data, std::size_t size);
  Statement& BindNull(int index);

  // Advances to the next row: true when a row is ready, false when there are no more.
  bool Step();
  // Runs a statement that returns no rows, then makes it ready for the next use.
  void Run();
  // Makes the statement ready for the next use, with no bindings.
  void Reset();

  int ColumnType(int column) const { return sqlite3_column_type(statement_, column); }
  std::int64_t ColumnInt64(int column) const { return sqlite3_column_int64(statement_, column); }
  double ColumnDouble(int column) const { return sqlite3_column_double(statement_, column); }
  std::string ColumnText(int column) const;
  std::string ColumnBlob(int column) const;

 private:
  [[noreturn]] void Fail(const char* what) const;

  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

// Resets a statement when its use starts and ends, so no read stays open between calls.
class Running {
 public:
  explicit Running(Statement& statement) : statement_(statement) { statement_.Reset(); }
  ~Running() { statement_.Reset(); }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;
  Statement* operator->() { return &statement_; }
  Statement& operator*() { return statement_; }

 private:
  Statement& statement_;
};

// Reads one table's "bytes" column row after row through one blob handle, moved from row to row:
// opening a handle compiles a statement, which costs more than reading a 40 KB picture.
class BlobReader {
 public:
  BlobReader(sqlite3* db, const char* table) : db_(db), table_(table) {}
  ~BlobReader() { sqlite3_blob_close(blob_); }
  BlobReader(const BlobReader&) = delete;
  BlobReader& operator=(const BlobReader&) = delete;

  // Points the reader at the row and returns its size in bytes; throws Error.
  int MoveTo(std::int64_t rowid);
  // Reads bytes of the row from offset on; throws Error.
  void Read(void* into, int bytes, int offset);

 private:
  sqlite3* db_;
  const char* table_;
  sqlite3_blob* blob_ = nullptr;
};

inline bool IsText(const Statement& row, int column) { return row.ColumnType(column) == SQLITE_TEXT; }
inline bool IsInteger(const Statement& row, int column) { return row.ColumnType(column) == SQLITE_INTEGER; }

}  // namespace mailshift::standin::sqlite
