#include "database/SqliteConnection.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <map>
#include <string_view>

#include "database/CursorResultset.h"
#include "runtime/Convert.h"

namespace zuvo::db {

namespace {

// How long a statement waits for another connection's lock before it fails as "database is
// locked"; without it a locked database would fail at once, and an unlimited wait could hang.
constexpr int BusyTimeoutMs = 5000;

// The handle is shared by the connection and every statement of it, so that a resultset the
// client keeps after dropping the connection stays usable and the handle closes last.
struct Handle {
  sqlite3* db = nullptr;
  ~Handle() { sqlite3_close_v2(db); }
};
using HandlePtr = std::shared_ptr<Handle>;

std::string upperAscii(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
    out += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return out;
}

struct TypeDefault {
  std::int32_t type;
  std::int32_t size;
};

const std::map<std::string, TypeDefault, std::less<>>& knownTypes() {
  static const std::map<std::string, TypeDefault, std::less<>> types = {
      {"CHAR", {coltype::Char, 1}},
      {"CHARACTER", {coltype::Char, 1}},
      {"NCHAR", {coltype::Char, 1}},
      {"NATIONAL CHAR", {coltype::Char, 1}},
      {"NATIONAL CHARACTER", {coltype::Char, 1}},
      {"BPCHAR", {coltype::Char, 1}},
      {"VARCHAR", {coltype::VarChar, 0}},
      {"VARCHAR2", {coltype::VarChar, 0}},
      {"NVARCHAR", {coltype::VarChar, 0}},
      {"NVARCHAR2", {coltype::VarChar, 0}},
      {"CHAR VARYING", {coltype::VarChar, 0}},
      {"CHARACTER VARYING", {coltype::VarChar, 0}},
      {"NCHAR VARYING", {coltype::VarChar, 0}},
      {"NATIONAL CHAR VARYING", {coltype::VarChar, 0}},
      {"NATIONAL CHARACTER VARYING", {coltype::VarChar, 0}},
      {"VARYING CHARACTER", {coltype::VarChar, 0}},
      {"NATIVE CHARACTER", {coltype::VarChar, 0}},
      {"TEXT", {coltype::VarChar, 0}},
      {"STRING", {coltype::VarChar, 0}},
      {"CLOB", {coltype::LongVarChar, 0}},
      {"NCLOB", {coltype::LongVarChar, 0}},
      {"NTEXT", {coltype::LongVarChar, 0}},
      {"LONG", {coltype::LongVarChar, 0}},
      {"LONG VARCHAR", {coltype::LongVarChar, 0}},
      {"LONG NVARCHAR", {coltype::LongVarChar, 0}},
      {"LONGTEXT", {coltype::LongVarChar, 0}},
      {"MEDIUMTEXT", {coltype::LongVarChar, 0}},
      {"INT", {coltype::Integer, 10}},
      {"INTEGER", {coltype::Integer, 10}},
      {"INT4", {coltype::Integer, 10}},
      {"MEDIUMINT", {coltype::Integer, 10}},
      {"SMALLINT", {coltype::SmallInt, 5}},
      {"INT2", {coltype::SmallInt, 5}},
      {"TINYINT", {-6, 3}},
      {"BIGINT", {coltype::BigInt, 19}},
      {"INT8", {coltype::BigInt, 19}},
      {"UNSIGNED BIG INT", {coltype::BigInt, 20}},
      {"REAL", {coltype::Double, 15}},
      {"FLOAT", {coltype::Double, 15}},
      {"FLOAT4", {coltype::Double, 15}},
      {"FLOAT8", {coltype::Double, 15}},
      {"DOUBLE", {coltype::Double, 15}},
      {"DOUBLE PRECISION", {coltype::Double, 15}},
      {"NUMERIC", {coltype::Numeric, 0}},
      {"DECIMAL", {coltype::Decimal, 0}},
      {"DEC", {coltype::Decimal, 0}},
      {"DATE", {coltype::Date, 10}},
      {"TIME", {coltype::Time, 8}},
      {"TIMESTAMP", {coltype::Timestamp, 19}},
      {"DATETIME", {coltype::Timestamp, 19}},
      {"BOOLEAN", {coltype::Bit, 1}},
      {"BOOL", {coltype::Bit, 1}},
      {"BIT", {coltype::Bit, 1}},
      {"BINARY", {coltype::Binary, 0}},
      {"VARBINARY", {-3, 0}},
      {"BLOB", {coltype::LongVarBinary, 0}},
      {"BYTEA", {coltype::LongVarBinary, 0}},
  };
  return types;
}

// A type name we do not know: SQLite's own affinity rules decide what kind of value it holds.
std::int32_t typeByAffinity(const std::string& name) {
  switch (affinityOf(name)) {
    case Affinity::Integer:
      return coltype::Integer;
    case Affinity::Text:
      return name.find("CLOB") != std::string::npos ? coltype::LongVarChar : coltype::VarChar;
    case Affinity::Blob:
      return coltype::LongVarBinary;
    case Affinity::Real:
      return coltype::Double;
    case Affinity::Numeric:
      break;
  }
  return coltype::Numeric;
}

String columnText(sqlite3_stmt* stmt, int i) {
  auto text = static_cast<const char16_t*>(sqlite3_column_text16(stmt, i));
  auto bytes = sqlite3_column_bytes16(stmt, i);
  return text ? String(text, static_cast<std::size_t>(bytes) / 2) : String();
}

Variant columnValue(sqlite3_stmt* stmt, int i) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER: {
      sqlite3_int64 v = sqlite3_column_int64(stmt, i);
      if (v >= std::numeric_limits<std::int32_t>::min() &&
          v <= std::numeric_limits<std::int32_t>::max()) {
        return Variant::Long(static_cast<std::int32_t>(v));
      }
      return Variant(Decimal(static_cast<std::int64_t>(v)));  // exact, unlike a Double
    }
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT:
      return Variant(columnText(stmt, i));
    case SQLITE_BLOB: {
      auto data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt, i));
      auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(stmt, i));
      return Variant(data ? ByteArray(data, data + bytes) : ByteArray());
    }
    default:
      return Variant::Null();
  }
}

// Strict UTF-8 into `out`, reusing its buffer; false for anything malformed, which SQLite's
// own conversion then mends in its own way.
bool decodeUtf8(const unsigned char* p, std::size_t n, String& out) {
  out.resize(n);  // never more units than bytes
  char16_t* o = out.data();
  const unsigned char* end = p + n;
  while (p < end) {
    char32_t c = *p++;
    if (c < 0x80) {
      *o++ = static_cast<char16_t>(c);
      continue;
    }
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : -1;
    if (more < 0 || c > 0xF4 || end - p < more) return false;
    c &= 0x3F >> more;
    for (int k = 0; k < more; ++k) {
      if ((*p & 0xC0) != 0x80) return false;
      c = c << 6 | (*p++ & 0x3F);
    }
    static constexpr char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (c < least[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    if (c >= 0x10000) {
      *o++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      c = 0xDC00 + ((c - 0x10000) & 0x3FF);
    }
    *o++ = static_cast<char16_t>(c);
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return true;
}

// Reads a value into `into`, reusing the buffer of the text it held, since most values are
// texts and rows are read one after the other into the same place.
void readValue(sqlite3_stmt* stmt, int i, Variant& into) {
  if (sqlite3_column_type(stmt, i) == SQLITE_TEXT) {
    auto text = sqlite3_column_text(stmt, i);
    auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(stmt, i));
    String* s = into.get<String>();
    if (!s) {
      into = Variant(String());
      s = into.get<String>();
    }
    if (text && decodeUtf8(text, bytes, *s)) return;
  }
  into = columnValue(stmt, i);
}

// The type of a column without a declared type (an expression), from the kind of its value.
std::int32_t typeOfValue(sqlite3_stmt* stmt, int i) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
      return coltype::Integer;
    case SQLITE_FLOAT:
      return coltype::Double;
    case SQLITE_BLOB:
      return coltype::LongVarBinary;
    default:
      return coltype::VarChar;
  }
}

void bindValue(sqlite3* db, sqlite3_stmt* stmt, int index, const Variant& value) {
  int rc = SQLITE_OK;
  if (auto s = value.get<String>()) {
    rc = sqlite3_bind_text16(stmt, index, s->data(), static_cast<int>(s->size() * 2),
                             SQLITE_TRANSIENT);
  } else if (auto l = value.get<std::int32_t>()) {
    rc = sqlite3_bind_int64(stmt, index, *l);
  } else if (auto i = value.get<std::int16_t>()) {
    rc = sqlite3_bind_int64(stmt, index, *i);
  } else if (auto b = value.get<std::uint8_t>()) {
    rc = sqlite3_bind_int64(stmt, index, *b);
  } else if (auto t = value.get<bool>()) {
    rc = sqlite3_bind_int64(stmt, index, *t ? -1 : 0);  // True is -1 as a number
  } else if (auto d = value.get<double>()) {
    rc = sqlite3_bind_double(stmt, index, *d);
  } else if (auto f = value.get<float>()) {
    rc = sqlite3_bind_double(stmt, index, *f);
  } else if (auto c = value.get<Currency>()) {
    rc = sqlite3_bind_double(stmt, index, static_cast<double>(c->scaled) / 10000.0);
  } else if (auto m = value.get<Decimal>()) {
    std::string text = m->toString();
    rc = sqlite3_bind_text(stmt, index, text.c_str(), static_cast<int>(text.size()),
                           SQLITE_TRANSIENT);
  } else if (auto dt = value.get<Date>()) {
    auto p = rt::splitDate(*dt);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    rc = sqlite3_bind_text(stmt, index, text, -1, SQLITE_TRANSIENT);
  } else if (auto bytes = value.get<ByteArray>()) {
    rc = sqlite3_bind_blob(stmt, index, bytes->data(), static_cast<int>(bytes->size()),
                           SQLITE_TRANSIENT);
  } else {
    rc = sqlite3_bind_null(stmt, index);  // Null and Empty
  }
  if (rc != SQLITE_OK) raiseError(db, rc);
}

sqlite3_stmt* prepare(sqlite3* db, const String& sql) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare16_v2(db, sql.data(), static_cast<int>(sql.size() * 2), &stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    raiseError(db, rc);
  }
  if (!stmt) throw DatabaseError(SQLITE_MISUSE, "The SQL text holds no statement");
  return stmt;
}

using Parameters = std::vector<Variant>;

class SqliteCursor : public Cursor {
 public:
  SqliteCursor(HandlePtr handle, const String& sql, std::shared_ptr<const Parameters> parameters)
      : handle_(std::move(handle)),
        stmt_(prepare(handle_->db, sql)),
        parameters_(std::move(parameters)) {}
  ~SqliteCursor() override { sqlite3_finalize(stmt_); }
  SqliteCursor(const SqliteCursor&) = delete;
  SqliteCursor& operator=(const SqliteCursor&) = delete;

  void execute() override {
    sqlite3_reset(stmt_);
    if (parameters_) {
      sqlite3_clear_bindings(stmt_);
      for (std::size_t i = 0; i < parameters_->size(); ++i) {
        bindValue(handle_->db, stmt_, static_cast<int>(i + 1), (*parameters_)[i]);
      }
    }
    done_ = false;
    pending_ = step();
    describe();
  }

  bool fetch(std::vector<Variant>& row) override {
    if (pending_) {
      pending_ = false;
    } else if (done_ || !step()) {
      return false;
    }
    int count = sqlite3_column_count(stmt_);
    row.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) readValue(stmt_, i, row[static_cast<std::size_t>(i)]);
    return true;
  }

  const std::vector<ColumnInfo>& columns() const override { return columns_; }

  void release() override {
    sqlite3_reset(stmt_);
    pending_ = false;
    done_ = true;
  }

 private:
  bool step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    done_ = true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(stmt_);
    raiseError(handle_->db, rc);
  }

  void describe() {
    int count = sqlite3_column_count(stmt_);
    columns_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      auto& info = columns_[static_cast<std::size_t>(i)];
      auto name = static_cast<const char16_t*>(sqlite3_column_name16(stmt_, i));
      info.name = name ? String(name) : String();
      auto declared = static_cast<const char16_t*>(sqlite3_column_decltype16(stmt_, i));
      DeclaredType type = parseDeclaredType(declared ? String(declared) : String());
      info.type =
          type.type != 0 ? type.type : (pending_ ? typeOfValue(stmt_, i) : coltype::VarChar);
      info.size = type.size;
    }
  }

  HandlePtr handle_;
  sqlite3_stmt* stmt_;
  std::shared_ptr<const Parameters> parameters_;
  std::vector<ColumnInfo> columns_;
  bool pending_ = false;  // execute() has stepped onto the first row; fetch() hands it out
  bool done_ = true;
};

class SqliteQuery : public Query {
 public:
  SqliteQuery(HandlePtr handle, const String& sql) : handle_(std::move(handle)), sql_(sql) {
    sqlite3_stmt* stmt = prepare(handle_->db, sql_);  // fails early on bad SQL
    parameters_->resize(static_cast<std::size_t>(sqlite3_bind_parameter_count(stmt)));
    sqlite3_finalize(stmt);
  }

  void SetParameter(std::int32_t index, const Variant& value) override {
    if (index < 0 || index >= static_cast<std::int32_t>(parameters_->size())) {
      throw DatabaseError(SQLITE_RANGE, "No parameter " + std::to_string(index));
    }
    (*parameters_)[static_cast<std::size_t>(index)] = value;
  }

  std::unique_ptr<Resultset> OpenResultset(std::int32_t type, std::int32_t lockType) override {
    checkResultsetOptions(type, lockType);
    return makeResultset(std::make_unique<SqliteCursor>(handle_, sql_, parameters_), type);
  }

 private:
  HandlePtr handle_;
  String sql_;
  std::shared_ptr<Parameters> parameters_ = std::make_shared<Parameters>();
};

class SqliteConnection : public Connection {
 public:
  SqliteConnection(HandlePtr handle, String name)
      : handle_(std::move(handle)), name_(std::move(name)) {}

  String Name() const override { return name_; }

  std::unique_ptr<Resultset> OpenResultset(const String& sql, std::int32_t type,
                                           std::int32_t lockType, std::int32_t) override {
    checkResultsetOptions(type, lockType);
    return makeResultset(std::make_unique<SqliteCursor>(handle_, sql, nullptr), type);
  }

  void Execute(const String& sql, std::int32_t) override {
    // Every statement of the text runs, one after the other, as far as the first failure.
    const char16_t* rest = sql.data();
    const char16_t* end = sql.data() + sql.size();
    while (rest < end) {
      sqlite3_stmt* stmt = nullptr;
      const void* tail = nullptr;
      int rc =
          sqlite3_prepare16_v2(handle_->db, rest, static_cast<int>((end - rest) * 2), &stmt, &tail);
      if (rc != SQLITE_OK) raiseError(handle_->db, rc);
      if (!stmt) break;  // only blanks or comments remain
      while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      }
      sqlite3_finalize(stmt);
      if (rc != SQLITE_DONE) raiseError(handle_->db, rc);
      rest = static_cast<const char16_t*>(tail);
    }
  }

  // Immediate: a transaction here is taken to write, and taking the write lock at once avoids
  // a deadlock between two readers that both want to write later.
  void BeginTrans() override { run("begin immediate"); }

  // Without a transaction there is nothing to commit or roll back; the statements ran in
  // autocommit mode and this is not a failure.
  void CommitTrans() override {
    if (!sqlite3_get_autocommit(handle_->db)) run("commit");
  }
  void RollbackTrans() override {
    if (!sqlite3_get_autocommit(handle_->db)) run("rollback");
  }

  std::unique_ptr<Query> CreateQuery(const String& sql) override {
    return std::make_unique<SqliteQuery>(handle_, sql);
  }

  std::unique_ptr<RowInserter> PrepareInsert(const String& table, std::int32_t columns) override {
    return prepareSqliteInsert(handle_, handle_->db, table, columns);
  }

 private:
  void run(const char* sql) {
    int rc = sqlite3_exec(handle_->db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) raiseError(handle_->db, rc);
  }

  HandlePtr handle_;
  String name_;
};

}  // namespace

void raiseError(sqlite3* db, int rc) {
  const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  throw DatabaseError(rc, message ? message : sqlite3_errstr(rc));
}

DeclaredType parseDeclaredType(const String& declared) {
  std::string text = upperAscii(declared);
  std::size_t open = text.find('(');
  std::string base = text.substr(0, open);
  // Collapse runs of blanks so that "double  precision" reads like "DOUBLE PRECISION".
  std::string name;
  for (char c : base) {
    bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
    if (blank) {
      if (!name.empty() && name.back() != ' ') name += ' ';
    } else {
      name += c;
    }
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) return {};

  DeclaredType result;
  auto& types = knownTypes();
  if (auto it = types.find(name); it != types.end()) {
    result.type = it->second.type;
    result.size = it->second.size;
  } else {
    result.type = typeByAffinity(name);
  }
  if (open != std::string::npos) {
    std::size_t i = open + 1;
    while (i < text.size() && text[i] == ' ') ++i;
    std::int64_t size = 0;
    bool digits = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      size = std::min<std::int64_t>(size * 10 + (text[i] - '0'),
                                    std::numeric_limits<std::int32_t>::max());
      digits = true;
    }
    if (digits) result.size = static_cast<std::int32_t>(size);
  }
  return result;
}

std::unique_ptr<Connection> openSqlite(const std::string& path, const String& name) {
  // A connection serves one thread at a time; SQLite's lock around every call of it would
  // cost a tenth of an export.
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(
      path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  auto handle = std::make_shared<Handle>();
  handle->db = db;
  if (rc != SQLITE_OK) raiseError(db, rc);
  sqlite3_busy_timeout(db, BusyTimeoutMs);
  return std::make_unique<SqliteConnection>(std::move(handle), name);
}

}  // namespace zuvo::db
