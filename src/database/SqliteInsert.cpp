// The rows of an import bound into one prepared insert, each exactly as its statement text
// would have stored it.
#include <sqlite3.h>

#include <string_view>

#include "database/SqliteConnection.h"
#include "runtime/Convert.h"

namespace zuvo::db {

namespace {

std::u16string_view trimmed(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return s;
}

// A whole number of at most 18 significant digits, with an optional sign: the statement
// reads it as that 64-bit integer. Longer ones may read as a floating-point number there.
bool wholeNumber(std::u16string_view s, sqlite3_int64& value) {
  bool negative = !s.empty() && s.front() == u'-';
  if (!s.empty() && (s.front() == u'-' || s.front() == u'+')) s.remove_prefix(1);
  if (s.empty()) return false;
  int significant = 0;
  sqlite3_int64 v = 0;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') return false;
    if (v == 0 && c == u'0') continue;
    if (++significant > 18) return false;
    v = v * 10 + (c - u'0');
  }
  value = negative ? -v : v;
  return true;
}

// UTF-8 of text that the statement would carry unchanged: false for a NUL, which ends a
// statement text, and for a lone surrogate, which its conversion would mend its own way.
bool toUtf8(std::u16string_view s, std::string& out) {
  out.resize(s.size() * 3);  // a pair of units takes 4 bytes, any other unit at most 3
  auto o = reinterpret_cast<unsigned char*>(out.data());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c < 0x80) {
      if (c == 0) return false;
      *o++ = static_cast<unsigned char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
      if (c > 0xDBFF || i + 1 == s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    }
    if (c < 0x800) {
      *o++ = static_cast<unsigned char>(0xC0 | (c >> 6));
    } else {
      if (c < 0x10000) {
        *o++ = static_cast<unsigned char>(0xE0 | (c >> 12));
      } else {
        *o++ = static_cast<unsigned char>(0xF0 | (c >> 18));
        *o++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
      }
      *o++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    }
    *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
  }
  out.resize(static_cast<std::size_t>(o - reinterpret_cast<unsigned char*>(out.data())));
  return true;
}

class SqliteInserter : public RowInserter {
 public:
  SqliteInserter(std::shared_ptr<void> owner, sqlite3* db, sqlite3_stmt* stmt,
                 std::vector<Affinity> affinities)
      : owner_(std::move(owner)),
        db_(db),
        stmt_(stmt),
        affinities_(std::move(affinities)),
        texts_(affinities_.size()) {}
  ~SqliteInserter() override { sqlite3_finalize(stmt_); }
  SqliteInserter(const SqliteInserter&) = delete;
  SqliteInserter& operator=(const SqliteInserter&) = delete;

  bool insert(const std::vector<InsertValue>& row) override {
    if (row.size() != affinities_.size()) return false;
    for (std::size_t i = 0; i < row.size(); ++i)
      if (!bind(static_cast<int>(i), row[i])) return false;
    int rc = sqlite3_step(stmt_);
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE) raiseError(db_, rc);
    return true;
  }

 private:
  bool bind(int i, const InsertValue& value) {
    const int index = i + 1;
    std::string& text = texts_[static_cast<std::size_t>(i)];
    switch (value.kind) {
      case InsertValue::Kind::Null:
        return check(sqlite3_bind_null(stmt_, index));
      case InsertValue::Kind::Text:
        if (!toUtf8(value.text, text)) return false;
        return check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                                       SQLITE_STATIC));
      case InsertValue::Kind::Number:
        break;
    }
    std::u16string_view literal = trimmed(value.text);
    sqlite3_int64 whole = 0;
    if (rt::sameAsciiNoCase(literal, u"true") || rt::sameAsciiNoCase(literal, u"false"))
      return check(sqlite3_bind_int64(stmt_, index, rt::sameAsciiNoCase(literal, u"true") ? 1 : 0));
    if (wholeNumber(literal, whole)) return check(sqlite3_bind_int64(stmt_, index, whole));
    // Any other literal is a floating-point number in the statement. A column of numeric
    // affinity reads the same text the same way; a text or untyped column would keep the
    // text as written, so such a row goes as its statement.
    Affinity a = affinities_[static_cast<std::size_t>(i)];
    if (a != Affinity::Integer && a != Affinity::Real && a != Affinity::Numeric) return false;
    if (!toUtf8(literal, text)) return false;
    return check(
        sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC));
  }

  bool check(int rc) {
    if (rc != SQLITE_OK) raiseError(db_, rc);
    return true;
  }

  std::shared_ptr<void> owner_;  // keeps the connection's handle open while this lives
  sqlite3* db_;
  sqlite3_stmt* stmt_;
  std::vector<Affinity> affinities_;
  std::vector<std::string> texts_;  // the bound texts, alive until the row is stepped
};

sqlite3_stmt* prepareUtf16(sqlite3* db, const String& sql) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare16_v2(db, sql.data(), static_cast<int>(sql.size() * 2), &stmt, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(stmt);
    return nullptr;
  }
  return stmt;
}

}  // namespace

Affinity affinityOf(std::string_view declared) {
  std::string upper;
  for (char c : declared) upper += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  auto has = [&](const char* part) { return upper.find(part) != std::string::npos; };
  if (has("INT")) return Affinity::Integer;
  if (has("CHAR") || has("CLOB") || has("TEXT")) return Affinity::Text;
  if (has("BLOB") || upper.find_first_not_of(" \t\r\n") == std::string::npos) return Affinity::Blob;
  if (has("REAL") || has("FLOA") || has("DOUB")) return Affinity::Real;
  return Affinity::Numeric;
}

std::unique_ptr<RowInserter> prepareSqliteInsert(std::shared_ptr<void> owner, sqlite3* db,
                                                 const String& table, std::int32_t columns) {
  if (columns < 1) return nullptr;
  // The affinities come from the table's declared types; a name that the statement can't
  // prepare (a view without insert triggers, say) is left to the statement texts.
  sqlite3_stmt* probe = prepareUtf16(db, u"select * from " + table);
  if (!probe) return nullptr;
  std::vector<Affinity> affinities;
  if (sqlite3_column_count(probe) == columns) {
    for (int i = 0; i < columns; ++i) {
      const char* declared = sqlite3_column_decltype(probe, i);
      std::string_view type = declared ? declared : "";
      // A column of a strict table declared ANY keeps every value as it is given, so a text
      // bound there would stay text: such columns count as untyped.
      affinities.push_back(sqlite3_strnicmp(declared ? declared : "", "ANY", 4) == 0
                               ? Affinity::Blob
                               : affinityOf(type));
    }
  }
  sqlite3_finalize(probe);
  if (affinities.empty()) return nullptr;

  String sql = u"insert into " + table + u" values (";
  for (std::int32_t i = 0; i < columns; ++i) sql += i == 0 ? u"?" : u",?";
  sql += u')';
  sqlite3_stmt* stmt = prepareUtf16(db, sql);
  if (!stmt) return nullptr;
  return std::make_unique<SqliteInserter>(std::move(owner), db, stmt, std::move(affinities));
}

}  // namespace zuvo::db
