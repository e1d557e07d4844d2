#include <algorithm>
#include <cctype>
#include <optional>

#include "database/CursorResultset.h"
#include "database/Database.h"
#include "database/OdbcConnection.h"
#include "database/SqliteConnection.h"
#include "runtime/Convert.h"

namespace zuvo {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

DatabaseError badUri(const std::string& why) {
  return DatabaseError(db::layerError::BadConnectionUri, "Bad connection URI: " + why);
}

std::unique_ptr<Connection> openSqliteUri(std::string body) {
  std::optional<std::string> name;
  // The last ";name=" ends the path: a path may hold a semicolon, a name may not.
  for (std::size_t at = body.size(); at-- > 0;) {
    if (body[at] == ';' && startsWithNoCase(std::string_view(body).substr(at + 1), "name=")) {
      name = body.substr(at + 6);
      body.erase(at);
      break;
    }
  }
  if (body.empty()) throw badUri("sqlite: needs a file name or :memory:");
  if (!name) {
    if (body == ":memory:") {
      name = "memory";
    } else {
      std::string base = body.substr(body.find_last_of('/') + 1);
      std::size_t dot = base.find_last_of('.');
      name = dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
    }
  }
  return db::openSqlite(body, rt::fromUtf8(*name));
}

}  // namespace

std::unique_ptr<Connection> openConnection(const std::string& uri) {
  if (startsWithNoCase(uri, "sqlite:")) return openSqliteUri(uri.substr(7));
  if (startsWithNoCase(uri, "odbc:")) {
    db::OdbcConnectionString parts = db::splitOdbcConnectionString(uri.substr(5));
    if (parts.connect.empty()) throw badUri("odbc: needs a connection string");
    return db::openOdbc(parts.connect, rt::fromUtf8(parts.name));
  }
  throw badUri("it must begin with sqlite: or odbc:");
}

}  // namespace zuvo
