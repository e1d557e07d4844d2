#include "database/OdbcConnection.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <cctype>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <string_view>

#include "database/CursorResultset.h"
#include "runtime/Convert.h"

namespace zuvo::db {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t),
              "the driver manager must use 2-byte characters");

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

SQLWCHAR* wide(const String& text) {
  return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.c_str()));
}

bool ok(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// Every diagnostic record of the failed call: the first one's native error number, and all
// their texts, one per line.
[[noreturn]] void fail(SQLSMALLINT handleType, SQLHANDLE handle, const char* operation) {
  std::int32_t number = 0;
  String text;
  for (SQLSMALLINT record = 1; handle; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR message[1024] = {};
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, message,
                                  static_cast<SQLSMALLINT>(std::size(message)), &length);
    if (!ok(rc)) break;
    if (record == 1) number = native;
    if (!text.empty()) text += u'\n';
    length = std::min<SQLSMALLINT>(length, static_cast<SQLSMALLINT>(std::size(message) - 1));
    text.append(reinterpret_cast<const char16_t*>(message), static_cast<std::size_t>(length));
  }
  if (text.empty()) text = rt::fromUtf8(std::string(operation) + " failed");
  throw DatabaseError(number, rt::toUtf8(text));
}

void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* operation) {
  if (!ok(rc)) fail(handleType, handle, operation);
}

// The environment is made once and shared by every connection of the process.
std::shared_ptr<void> environment() {
  static std::weak_ptr<void> shared;
  static std::mutex guard;
  std::lock_guard lock(guard);
  if (auto env = shared.lock()) return env;
  SQLHENV env = SQL_NULL_HENV;
  if (!ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
    throw DatabaseError(-1, "The ODBC driver manager could not be loaded");
  }
  check(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, env, "SQLSetEnvAttr");
  std::shared_ptr<void> result(env, [](void* h) { SQLFreeHandle(SQL_HANDLE_ENV, h); });
  shared = result;
  return result;
}

// The connection handle is shared by the connection and its statements, so that it is
// released after the last of them.
struct Link {
  std::shared_ptr<void> env;
  SQLHDBC dbc = SQL_NULL_HDBC;
  bool connected = false;
  ~Link() {
    if (connected) SQLDisconnect(dbc);
    if (dbc) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  }
};
using LinkPtr = std::shared_ptr<Link>;

class Statement {
 public:
  explicit Statement(const LinkPtr& link) {
    check(SQLAllocHandle(SQL_HANDLE_STMT, link->dbc, &stmt_), SQL_HANDLE_DBC, link->dbc,
          "SQLAllocHandle");
  }
  ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  SQLHSTMT get() const { return stmt_; }
  void verify(SQLRETURN rc, const char* operation) const {
    if (!ok(rc) && rc != SQL_NO_DATA) fail(SQL_HANDLE_STMT, stmt_, operation);
  }

 private:
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

// The Unicode variants of the text types count as the plain ones; the dates carry the
// numbers of the older ODBC versions.
std::int32_t typeNumber(SQLSMALLINT type) {
  switch (type) {
    case SQL_WCHAR:
      return coltype::Char;
    case SQL_WVARCHAR:
      return coltype::VarChar;
    case SQL_WLONGVARCHAR:
      return coltype::LongVarChar;
    case SQL_TYPE_DATE:
      return coltype::Date;
    case SQL_TYPE_TIME:
      return coltype::Time;
    case SQL_TYPE_TIMESTAMP:
      return coltype::Timestamp;
    default:
      return type;
  }
}

using Parameters = std::vector<Variant>;

// The value of one parameter, kept alive from binding until the statement has run.
struct ParameterBuffer {
  String text;
  std::string narrow;
  ByteArray bytes;
  SQLINTEGER integer = 0;
  double real = 0;
  SQL_TIMESTAMP_STRUCT timestamp{};
  SQLLEN indicator = 0;
};

class OdbcCursor : public Cursor {
 public:
  OdbcCursor(LinkPtr link, const String& sql, std::shared_ptr<const Parameters> parameters)
      : link_(std::move(link)), statement_(link_), sql_(sql), parameters_(std::move(parameters)) {
    if (parameters_) {
      statement_.verify(SQLPrepareW(statement_.get(), wide(sql_), SQL_NTS), "SQLPrepare");
    }
  }
  ~OdbcCursor() override { OdbcCursor::release(); }

  void execute() override {
    release();
    SQLHSTMT stmt = statement_.get();
    if (parameters_) {
      bind();
      statement_.verify(SQLExecute(stmt), "SQLExecute");
    } else {
      statement_.verify(SQLExecDirectW(stmt, wide(sql_), SQL_NTS), "SQLExecDirect");
    }
    open_ = true;
    describe();
  }

  bool fetch(std::vector<Variant>& row) override {
    if (!open_ || columns_.empty()) return false;
    SQLRETURN rc = SQLFetch(statement_.get());
    if (rc == SQL_NO_DATA) return false;
    statement_.verify(rc, "SQLFetch");
    row.resize(columns_.size());
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      row[i] = value(static_cast<SQLUSMALLINT>(i + 1), sqlTypes_[i]);
    }
    return true;
  }

  const std::vector<ColumnInfo>& columns() const override { return columns_; }

  void release() override {
    if (open_) SQLFreeStmt(statement_.get(), SQL_CLOSE);
    open_ = false;
  }

 private:
  void describe() {
    SQLSMALLINT count = 0;
    statement_.verify(SQLNumResultCols(statement_.get(), &count), "SQLNumResultCols");
    columns_.assign(static_cast<std::size_t>(count), {});
    sqlTypes_.assign(static_cast<std::size_t>(count), 0);
    for (SQLSMALLINT i = 0; i < count; ++i) {
      SQLWCHAR name[512] = {};
      SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      statement_.verify(SQLDescribeColW(statement_.get(), static_cast<SQLUSMALLINT>(i + 1), name,
                                        static_cast<SQLSMALLINT>(std::size(name)), &nameLength,
                                        &type, &size, &digits, &nullable),
                        "SQLDescribeCol");
      auto& info = columns_[static_cast<std::size_t>(i)];
      nameLength = std::min<SQLSMALLINT>(nameLength, static_cast<SQLSMALLINT>(std::size(name) - 1));
      info.name.assign(reinterpret_cast<const char16_t*>(name),
                       static_cast<std::size_t>(nameLength));
      info.type = typeNumber(type);
      info.size = static_cast<std::int32_t>(
          std::min<SQLULEN>(size, static_cast<SQLULEN>(std::numeric_limits<std::int32_t>::max())));
      sqlTypes_[static_cast<std::size_t>(i)] = type;
    }
  }

  Variant value(SQLUSMALLINT column, SQLSMALLINT type) {
    SQLHSTMT stmt = statement_.get();
    SQLLEN indicator = 0;
    switch (type) {
      case SQL_INTEGER:
      case SQL_SMALLINT:
      case SQL_TINYINT:
      case SQL_BIGINT: {
        SQLBIGINT v = 0;
        statement_.verify(SQLGetData(stmt, column, SQL_C_SBIGINT, &v, sizeof v, &indicator),
                          "SQLGetData");
        if (indicator == SQL_NULL_DATA) return Variant::Null();
        if (v >= std::numeric_limits<std::int32_t>::min() &&
            v <= std::numeric_limits<std::int32_t>::max()) {
          return Variant::Long(static_cast<std::int32_t>(v));
        }
        return Variant(Decimal(static_cast<std::int64_t>(v)));
      }
      case SQL_REAL:
      case SQL_FLOAT:
      case SQL_DOUBLE: {
        double v = 0;
        statement_.verify(SQLGetData(stmt, column, SQL_C_DOUBLE, &v, sizeof v, &indicator),
                          "SQLGetData");
        if (indicator == SQL_NULL_DATA) return Variant::Null();
        return Variant(v);
      }
      case SQL_NUMERIC:
      case SQL_DECIMAL: {
        char text[128] = {};
        statement_.verify(SQLGetData(stmt, column, SQL_C_CHAR, text, sizeof text, &indicator),
                          "SQLGetData");
        if (indicator == SQL_NULL_DATA) return Variant::Null();
        try {
          return Variant(Decimal::parse(text));  // exact
        } catch (const RuntimeError&) {
          return Variant(std::strtod(text, nullptr));  // more digits than a Decimal holds
        }
      }
      case SQL_BIT: {
        unsigned char v = 0;
        statement_.verify(SQLGetData(stmt, column, SQL_C_BIT, &v, sizeof v, &indicator),
                          "SQLGetData");
        if (indicator == SQL_NULL_DATA) return Variant::Null();
        return Variant(v != 0);
      }
      case SQL_TYPE_DATE:
      case SQL_TYPE_TIMESTAMP:
      case SQL_DATE:
      case SQL_TIMESTAMP: {
        SQL_TIMESTAMP_STRUCT v{};
        statement_.verify(SQLGetData(stmt, column, SQL_C_TYPE_TIMESTAMP, &v, sizeof v, &indicator),
                          "SQLGetData");
        if (indicator == SQL_NULL_DATA) return Variant::Null();
        return Variant(rt::makeDate(v.year, v.month, v.day, v.hour, v.minute, v.second));
      }
      case SQL_TYPE_TIME:
      case SQL_TIME: {
        SQL_TIME_STRUCT v{};
        statement_.verify(SQLGetData(stmt, column, SQL_C_TYPE_TIME, &v, sizeof v, &indicator),
                          "SQLGetData");
        if (indicator == SQL_NULL_DATA) return Variant::Null();
        return Variant(rt::makeDate(1899, 12, 30, v.hour, v.minute, v.second));
      }
      case SQL_BINARY:
      case SQL_VARBINARY:
      case SQL_LONGVARBINARY: {
        ByteArray bytes;
        if (!readAll(column, SQL_C_BINARY, 1, bytes)) return Variant::Null();
        return Variant(std::move(bytes));
      }
      default: {
        String text;
        if (!readAll(column, SQL_C_WCHAR, sizeof(SQLWCHAR), text)) return Variant::Null();
        return Variant(std::move(text));
      }
    }
  }

  // Reads a text or binary value of any length in pieces; false for NULL.
  template <typename Buffer>
  bool readAll(SQLUSMALLINT column, SQLSMALLINT cType, std::size_t unit, Buffer& out) {
    using Element = typename Buffer::value_type;
    constexpr std::size_t pieceBytes = 8192;
    Element piece[pieceBytes / sizeof(Element)];
    // Text pieces end in a terminator that is not part of the value.
    std::size_t room = cType == SQL_C_WCHAR ? pieceBytes - unit : pieceBytes;
    for (;;) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(statement_.get(), column, cType, piece, pieceBytes, &indicator);
      if (rc == SQL_NO_DATA) return true;
      statement_.verify(rc, "SQLGetData");
      if (indicator == SQL_NULL_DATA) return false;
      std::size_t bytes = indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) > room
                              ? room
                              : static_cast<std::size_t>(indicator);
      out.insert(out.end(), piece, piece + bytes / sizeof(Element));
      if (rc == SQL_SUCCESS) return true;
    }
  }

  void bind() {
    SQLHSTMT stmt = statement_.get();
    SQLFreeStmt(stmt, SQL_RESET_PARAMS);
    buffers_.assign(parameters_->size(), {});
    for (std::size_t i = 0; i < parameters_->size(); ++i) {
      const Variant& value = (*parameters_)[i];
      ParameterBuffer& b = buffers_[i];
      auto number = static_cast<SQLUSMALLINT>(i + 1);
      SQLRETURN rc;
      if (auto s = value.get<String>()) {
        b.text = *s;
        b.indicator = static_cast<SQLLEN>(b.text.size() * sizeof(SQLWCHAR));
        rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                              std::max<SQLULEN>(b.text.size(), 1), 0, wide(b.text), b.indicator,
                              &b.indicator);
      } else if (wholeNumber(value, b.integer)) {
        rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 10, 0,
                              &b.integer, 0, &b.indicator);
      } else if (realNumber(value, b.real)) {
        rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0,
                              &b.real, 0, &b.indicator);
      } else if (auto m = value.get<Decimal>()) {
        b.narrow = m->toString();
        b.indicator = static_cast<SQLLEN>(b.narrow.size());
        rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL, 29,
                              static_cast<SQLSMALLINT>(m->scale()), b.narrow.data(), b.indicator,
                              &b.indicator);
      } else if (auto d = value.get<Date>()) {
        auto p = rt::splitDate(*d);
        b.timestamp = {static_cast<SQLSMALLINT>(p.year),
                       static_cast<SQLUSMALLINT>(p.month),
                       static_cast<SQLUSMALLINT>(p.day),
                       static_cast<SQLUSMALLINT>(p.hour),
                       static_cast<SQLUSMALLINT>(p.minute),
                       static_cast<SQLUSMALLINT>(p.second),
                       0};
        rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                              SQL_TYPE_TIMESTAMP, 19, 0, &b.timestamp, 0, &b.indicator);
      } else if (auto bytes = value.get<ByteArray>()) {
        b.bytes = *bytes;
        b.indicator = static_cast<SQLLEN>(b.bytes.size());
        rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                              std::max<SQLULEN>(b.bytes.size(), 1), 0, b.bytes.data(), b.indicator,
                              &b.indicator);
      } else {  // Null and Empty
        b.indicator = SQL_NULL_DATA;
        rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, 0,
                              wide(b.text), 0, &b.indicator);
      }
      statement_.verify(rc, "SQLBindParameter");
    }
  }

  static bool wholeNumber(const Variant& value, SQLINTEGER& out) {
    if (auto l = value.get<std::int32_t>())
      out = *l;
    else if (auto i = value.get<std::int16_t>())
      out = *i;
    else if (auto b = value.get<std::uint8_t>())
      out = *b;
    else if (auto t = value.get<bool>())
      out = *t ? -1 : 0;  // True is -1 as a number
    else
      return false;
    return true;
  }

  static bool realNumber(const Variant& value, double& out) {
    if (auto d = value.get<double>())
      out = *d;
    else if (auto f = value.get<float>())
      out = *f;
    else if (auto c = value.get<Currency>())
      out = static_cast<double>(c->scaled) / 10000.0;
    else
      return false;
    return true;
  }

  LinkPtr link_;
  Statement statement_;
  String sql_;
  std::shared_ptr<const Parameters> parameters_;
  std::vector<ParameterBuffer> buffers_;
  std::vector<ColumnInfo> columns_;
  std::vector<SQLSMALLINT> sqlTypes_;
  bool open_ = false;
};

class OdbcQuery : public Query {
 public:
  OdbcQuery(LinkPtr link, const String& sql) : link_(std::move(link)), sql_(sql) {
    Statement statement(link_);
    statement.verify(SQLPrepareW(statement.get(), wide(sql_), SQL_NTS), "SQLPrepare");
    SQLSMALLINT count = 0;
    statement.verify(SQLNumParams(statement.get(), &count), "SQLNumParams");
    parameters_->resize(static_cast<std::size_t>(count));
  }

  void SetParameter(std::int32_t index, const Variant& value) override {
    if (index < 0 || index >= static_cast<std::int32_t>(parameters_->size())) {
      throw DatabaseError(layerError::ItemNotFound, "No parameter " + std::to_string(index));
    }
    (*parameters_)[static_cast<std::size_t>(index)] = value;
  }

  std::unique_ptr<Resultset> OpenResultset(std::int32_t type, std::int32_t lockType) override {
    checkResultsetOptions(type, lockType);
    return makeResultset(std::make_unique<OdbcCursor>(link_, sql_, parameters_), type);
  }

 private:
  LinkPtr link_;
  String sql_;
  std::shared_ptr<Parameters> parameters_ = std::make_shared<Parameters>();
};

class OdbcConnection : public Connection {
 public:
  OdbcConnection(LinkPtr link, String name) : link_(std::move(link)), name_(std::move(name)) {}

  String Name() const override { return name_; }

  std::unique_ptr<Resultset> OpenResultset(const String& sql, std::int32_t type,
                                           std::int32_t lockType, std::int32_t) override {
    checkResultsetOptions(type, lockType);
    return makeResultset(std::make_unique<OdbcCursor>(link_, sql, nullptr), type);
  }

  void Execute(const String& sql, std::int32_t) override {
    Statement statement(link_);
    statement.verify(SQLExecDirectW(statement.get(), wide(sql), SQL_NTS), "SQLExecDirect");
  }

  void BeginTrans() override {
    if (inTransaction_) {
      throw DatabaseError(layerError::InvalidArgument, "A transaction is already open");
    }
    setAutocommit(false);
    inTransaction_ = true;
  }
  // Without a transaction there is nothing to end; the statements were committed as they ran.
  void CommitTrans() override { end(SQL_COMMIT); }
  void RollbackTrans() override { end(SQL_ROLLBACK); }

  std::unique_ptr<Query> CreateQuery(const String& sql) override {
    return std::make_unique<OdbcQuery>(link_, sql);
  }

 private:
  void end(SQLSMALLINT completion) {
    if (!inTransaction_) return;
    check(SQLEndTran(SQL_HANDLE_DBC, link_->dbc, completion), SQL_HANDLE_DBC, link_->dbc,
          "SQLEndTran");
    inTransaction_ = false;
    setAutocommit(true);
  }

  void setAutocommit(bool on) {
    // The attribute value travels in the pointer argument, as the ODBC interface defines it.
    auto value = reinterpret_cast<SQLPOINTER>(  // NOLINT(performance-no-int-to-ptr)
        static_cast<SQLULEN>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF));
    check(SQLSetConnectAttr(link_->dbc, SQL_ATTR_AUTOCOMMIT, value, SQL_IS_UINTEGER),
          SQL_HANDLE_DBC, link_->dbc, "SQLSetConnectAttr");
  }

  LinkPtr link_;
  String name_;
  bool inTransaction_ = false;
};

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

namespace {

LinkPtr connectLink(const std::string& connect) {
  auto link = std::make_shared<Link>();
  link->env = environment();
  check(SQLAllocHandle(SQL_HANDLE_DBC, link->env.get(), &link->dbc), SQL_HANDLE_ENV,
        link->env.get(), "SQLAllocHandle");
  String text = rt::fromUtf8(connect);
  SQLWCHAR completed[1024];
  SQLSMALLINT completedLength = 0;
  check(SQLDriverConnectW(link->dbc, nullptr, wide(text), SQL_NTS, completed,
                          static_cast<SQLSMALLINT>(std::size(completed)), &completedLength,
                          SQL_DRIVER_NOPROMPT),
        SQL_HANDLE_DBC, link->dbc, "SQLDriverConnect");
  link->connected = true;
  return link;
}

std::string driverName(SQLHDBC dbc) {
  char name[256] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DRIVER_NAME, name, sizeof name, &length))) return "";
  return name;
}

}  // namespace

std::string streamingConnectString(const std::string& connect, const std::string& driver) {
  // Only the PostgreSQL driver is known to need it, and to take the option.
  if (driver.rfind("psqlodbc", 0) != 0) return connect;
  std::string lower = connect;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.find("usedeclarefetch") != std::string::npos) return connect;
  const bool ended = !connect.empty() && connect.back() == ';';
  return connect + (ended ? "" : ";") + "UseDeclareFetch=1;Fetch=10000";
}

std::unique_ptr<Connection> openOdbc(const std::string& connect, const String& name) {
  LinkPtr link = connectLink(connect);
  // The PostgreSQL driver reads a whole result into memory before its first row unless it is
  // told to fetch through a cursor: an export of a large table would grow with the table.
  if (std::string streaming = streamingConnectString(connect, driverName(link->dbc));
      streaming != connect) {
    link.reset();
    link = connectLink(streaming);
  }
  return std::make_unique<OdbcConnection>(std::move(link), name);
}

}  // namespace zuvo::db
