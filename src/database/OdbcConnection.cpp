#include "database/OdbcConnection.h"

#include <cctype>
#include <optional>

#include "database/CursorResultset.h"

namespace zuvo::db {

namespace {

std::string lowerAscii(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string trimBlanks(const std::string& text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

OdbcConnectionString splitOdbcConnectionString(const std::string& text) {
  // Pairs are KEY=VALUE separated by ";"; a value in braces may hold ";" itself.
  OdbcConnectionString result;
  std::optional<std::string> name;
  std::string dsn;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = at;
    std::size_t equals = text.find('=', at);
    if (equals != std::string::npos && equals + 1 < text.size() &&
        text.find_first_not_of(' ', equals + 1) != std::string::npos &&
        text[text.find_first_not_of(' ', equals + 1)] == '{') {
      std::size_t close = text.find('}', equals);
      end = close == std::string::npos ? text.size() : close;
    }
    end = text.find(';', end);
    if (end == std::string::npos) end = text.size();
    std::string pair = text.substr(at, end - at);
    at = end + 1;
    std::size_t eq = pair.find('=');
    std::string key = lowerAscii(trimBlanks(pair.substr(0, eq)));
    std::string value = eq == std::string::npos ? std::string() : trimBlanks(pair.substr(eq + 1));
    if (key == "name") {
      name = value;
      continue;  // ours, not the driver's
    }
    if (key == "dsn") dsn = value;
    if (trimBlanks(pair).empty()) continue;
    if (!result.connect.empty()) result.connect += ';';
    result.connect += pair;
  }
  result.name = name ? *name : dsn;
  return result;
}

std::unique_ptr<Connection> openOdbc(const std::string&, const String&) {
  throw DatabaseError(layerError::BadConnectionUri, "ODBC connections are not available yet");
}

}  // namespace zuvo::db
