#include "platform/standin/Sqlite.h"

#include <limits>

namespace mailshift::standin::sqlite {

Connection::Connection(const std::string& name, int flags) {
  const int result = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
  if (result != SQLITE_OK) {
    std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
    sqlite3_close(db_);
    db_ = nullptr;
    throw Error(message);
  }
  sqlite3_extended_result_codes(db_, 1);
}

Connection::~Connection() { sqlite3_close_v2(db_); }

void Connection::Execute(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message != nullptr ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    throw Error(text);
  }
}

void Connection::Close() {
  if (db_ == nullptr) return;
  if (sqlite3_close(db_) != SQLITE_OK) throw Error(sqlite3_errmsg(db_));
  db_ = nullptr;
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    throw Error("statement too long");
  if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) != SQLITE_OK) {
    Fail("prepare");
  }
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::BindInt64(int index, std::int64_t value) {
  if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) Fail("bind");
  return *this;
}

Statement& Statement::BindDouble(int index, double value) {
  if (sqlite3_bind_double(statement_, index, value) != SQLITE_OK) Fail("bind");
  return *this;
}

Statement& Statement::BindText(int index, std::string_view value) {
  if (sqlite3_bind_text64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8) !=
      SQLITE_OK) {
    Fail("bind");
  }
  return *this;
}

Statement& Statement::BindBlob(int index, const void* data, std::size_t size) {
  // A zero-length blob must still be a blob, not NULL.
  static const char kEmpty = 0;
  if (sqlite3_bind_blob64(statement_, index, size == 0 ? &kEmpty : data, size, SQLITE_TRANSIENT) !=
      SQLITE_OK) {
    Fail("bind");
  }
  return *this;
}

Statement& Statement::BindNull(int index) {
  if (sqlite3_bind_null(statement_, index) != SQLITE_OK) Fail("bind");
  return *this;
}

bool Statement::Step() {
  const int result = sqlite3_step(statement_);
  if (result == SQLITE_ROW) return true;
  if (result == SQLITE_DONE) return false;
  Fail("step");
}

void Statement::Run() {
  while (Step()) {
  }
  Reset();
}

void Statement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

std::string Statement::ColumnText(int column) const {
  const auto* text = sqlite3_column_text(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  if (text == nullptr) {
    if (sqlite3_errcode(db_) == SQLITE_NOMEM) throw Error("out of memory");
    return {};
  }
  return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

std::string Statement::ColumnBlob(int column) const {
  const auto* data = sqlite3_column_blob(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  if (data == nullptr) return {};
  return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

void Statement::Fail(const char* what) const { throw Error(std::string(what) + ": " + sqlite3_errmsg(db_)); }

int BlobReader::MoveTo(std::int64_t rowid) {
  const int moved = blob_ == nullptr ? sqlite3_blob_open(db_, "main", table_, "bytes", rowid, 0, &blob_)
                                     : sqlite3_blob_reopen(blob_, rowid);
  if (moved != SQLITE_OK) {
    const std::string error = sqlite3_errmsg(db_);
    sqlite3_blob_close(blob_);  // a handle that failed to open or move is of no further use
    blob_ = nullptr;
    throw Error(error);
  }
  return sqlite3_blob_bytes(blob_);
}

void BlobReader::Read(void* into, int bytes, int offset) {
  if (blob_ == nullptr) throw Error("no row to read");
  if (sqlite3_blob_read(blob_, into, bytes, offset) != SQLITE_OK) throw Error(sqlite3_errmsg(db_));
}

}  // namespace mailshift::standin::sqlite
