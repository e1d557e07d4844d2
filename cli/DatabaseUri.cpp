#include "DatabaseUri.h"

#include <cctype>
#include <filesystem>
#include <string_view>

#include "Argument.h"

namespace zuvo::cli {

namespace {

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

// "name:" of "name:rest" when name looks like a URI scheme: a letter, then letters, digits,
// "+", "-" or ".".
std::string schemeOf(const std::string& db) {
  std::size_t colon = db.find(':');
  if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(db[0])))
    return "";
  for (std::size_t i = 1; i < colon; ++i) {
    auto c = static_cast<unsigned char>(db[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return "";
  }
  return db.substr(0, colon + 1);
}

// The file of "sqlite:PATH[;name=NAME]": the last ";name=" ends the path, as the connection
// reads it.
std::string sqlitePath(std::string body) {
  for (std::size_t at = body.size(); at-- > 0;) {
    if (body[at] == ';' && startsWithNoCase(std::string_view(body).substr(at + 1), "name=")) {
      body.erase(at);
      break;
    }
  }
  return body;
}

}  // namespace

std::string databaseUri(const std::string& db) {
  if (db.empty()) throw UsageError("--db is empty");
  if (startsWithNoCase(db, "sqlite:")) {
    std::string path = sqlitePath(db.substr(7));
    if (path.empty()) throw UsageError("--db " + db + ": sqlite: needs a file name or :memory:");
    std::error_code ec;
    if (path != ":memory:" && !std::filesystem::exists(path, ec))
      throw MissingDatabase("no database file " + path);
    return db;
  }
  if (startsWithNoCase(db, "odbc:")) {
    if (db.size() == 5) throw UsageError("--db odbc: needs a connection string");
    return db;
  }
  std::error_code ec;
  if (std::filesystem::is_regular_file(db, ec)) return "sqlite:" + db;
  std::string scheme = schemeOf(db);
  if (!scheme.empty())
    throw UsageError("--db " + db + ": unknown scheme " + scheme +
                     " (give sqlite:PATH, odbc:CONNECTION-STRING or an SQLite file)");
  throw MissingDatabase("no database file " + db);
}

std::unique_ptr<Connection> openDatabase(const std::string& db) {
  return openConnection(databaseUri(db));
}

}  // namespace zuvo::cli
