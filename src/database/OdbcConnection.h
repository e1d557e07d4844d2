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

// The connection string for a driver that reads whole results into memory unless told to
// fetch a block at a time: `connect` with that option added, unless it chooses for itself.
std::string streamingConnectString(const std::string& connect, const std::string& driver);

// Connects through the driver manager with the wide-character API.
std::unique_ptr<Connection> openOdbc(const std::string& connect, const String& name);

}  // namespace zuvo::db
