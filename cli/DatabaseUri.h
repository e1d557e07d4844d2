#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "database/Database.h"

namespace zuvo::cli {

// --db names an SQLite file that is not there. Opening it would make an empty database, so
// that a typing error in the path would go unnoticed and leave a file behind.
class MissingDatabase : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The connection URI that --db stands for, the same for `zuvo call` and the batch jobs:
// "sqlite:PATH" (also "sqlite::memory:") and "odbc:CONNECTION-STRING" as given, the path of an
// existing file as "sqlite:PATH". Throws UsageError for a malformed URI (nothing after the
// scheme, a scheme other than these two) and MissingDatabase for an SQLite file that does not
// exist.
std::string databaseUri(const std::string& db);

// The connection of databaseUri(db); a failure of the database is a DatabaseError.
std::unique_ptr<Connection> openDatabase(const std::string& db);

}  // namespace zuvo::cli
