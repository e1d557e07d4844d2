#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "Database.h"

struct sqlite3;

namespace zuvo::db {

// Opens (creating when missing) the SQLite database at `path` (":memory:" for a private
// in-memory one). `name` is the connection's name.
std::unique_ptr<Connection> openSqlite(const std::string& path, const String& name);

// The column type number of a declared SQLite column type ("varchar(10)", "integer", …) and
// its declared size; an undeclared type (an expression) gives Type 0.
struct DeclaredType {
  std::int32_t type = 0;
  std::int32_t size = 0;
};
DeclaredType parseDeclaredType(const String& declared);

// Throws the DatabaseError of a failed call: SQLite's code and its words for it.
[[noreturn]] void raiseError(sqlite3* db, int rc);

// How SQLite converts a value stored into a column with this declared type.
enum class Affinity { Integer, Text, Blob, Real, Numeric };
Affinity affinityOf(std::string_view declared);

// The bound inserts of an import into `table` of `db`; nullptr when the insert can't be
// prepared. `owner` keeps `db` open while the inserter lives.
std::unique_ptr<RowInserter> prepareSqliteInsert(std::shared_ptr<void> owner, sqlite3* db,
                                                 const String& table, std::int32_t columns);

}  // namespace zuvo::db
