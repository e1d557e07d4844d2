#pragma once

#include <memory>
#include <string>

#include "Database.h"

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

}  // namespace zuvo::db
