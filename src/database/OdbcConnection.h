#pragma once

#include <memory>
#include <string>

#include "Database.h"

namespace zuvo::db {

// An ODBC connection string taken apart: what goes to the driver manager, and the
// connection's name (the ";name=" pair when given, else the DSN).
struct OdbcConnectionString {
  std::string connect;
  std::string name;
};
OdbcConnectionString splitOdbcConnectionString(const std::string& text);

// Connects through the driver manager with the wide-character API.
std::unique_ptr<Connection> openOdbc(const std::string& connect, const String& name);

}  // namespace zuvo::db
