#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "../runtime/Variant.h"

// The data access layer the library relies on: connection, prepared query, resultset and
// column. The client opens connections (openConnection) and passes them in; the library
// never opens or closes one itself.
namespace zuvo {

// Every failure of the data access layer: the backend's own number (never 0) and text.
class DatabaseError : public std::runtime_error {
 public:
  DatabaseError(std::int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number == 0 ? -1 : number) {}
  std::int32_t number() const noexcept { return number_; }
  std::string description() const { return what(); }

 private:
  std::int32_t number_;
};

// Column type numbers as callers test them; every other number is a non-text type.
namespace coltype {
inline constexpr std::int32_t Char = 1;
inline constexpr std::int32_t VarChar = 12;
inline constexpr std::int32_t LongVarChar = -1;
inline constexpr std::int32_t Numeric = 2;
inline constexpr std::int32_t Decimal = 3;
inline constexpr std::int32_t Integer = 4;
inline constexpr std::int32_t SmallInt = 5;
inline constexpr std::int32_t Float = 6;
inline constexpr std::int32_t Real = 7;
inline constexpr std::int32_t Double = 8;
inline constexpr std::int32_t Date = 9;
inline constexpr std::int32_t Time = 10;
inline constexpr std::int32_t Timestamp = 11;
inline constexpr std::int32_t BigInt = -5;
inline constexpr std::int32_t Bit = -7;
inline constexpr std::int32_t Binary = -2;
inline constexpr std::int32_t LongVarBinary = -4;
inline bool isText(std::int32_t type) {
  return type == Char || type == VarChar || type == LongVarChar;
}
// Dates, times and timestamps, in the older numbers and in the ODBC 3 ones (91, 92, 93).
inline bool isDateTime(std::int32_t type) {
  return (type >= Date && type <= Timestamp) || (type >= 91 && type <= 93);
}
}  // namespace coltype

// Cursor types, lock type and option of OpenResultset.
namespace rdo {
inline constexpr std::int32_t Keyset = 1;
inline constexpr std::int32_t Static = 3;
inline constexpr std::int32_t ReadOnly = 1;
inline constexpr std::int32_t ExecDirect = 64;
}  // namespace rdo

class Column {
 public:
  virtual ~Column() = default;
  virtual Variant Value() const { return ValueRef(); }  // Null for a database NULL
  // The value without a copy, valid until the resultset moves: for loops over many rows.
  virtual const Variant& ValueRef() const = 0;
  virtual String Name() const = 0;
  virtual std::int32_t Type() const = 0;
  virtual std::int32_t Size() const = 0;  // the declared size, 0 when none
};

class Columns {
 public:
  virtual ~Columns() = default;
  virtual std::int32_t Count() const = 0;
  virtual Column& operator[](std::int32_t position) = 0;  // 0-based
  virtual Column& operator[](const String& name) = 0;     // without regard to case
};

class Resultset {
 public:
  virtual ~Resultset() = default;
  virtual Columns& rdoColumns() = 0;
  virtual bool IsEOF() const = 0;  // past the last row
  virtual bool IsBOF() const = 0;  // before the first row
  virtual void MoveNext() = 0;
  virtual Variant Bookmark() const = 0;
  virtual void SetBookmark(const Variant& bookmark) = 0;
  virtual void Requery() = 0;  // runs again with the current parameter values
  virtual void Close() = 0;
};

class Query {
 public:
  virtual ~Query() = default;
  // Parameter `index` (0-based) of the prepared statement.
  virtual void SetParameter(std::int32_t index, const Variant& value) = 0;
  // A resultset linked to this query: its Requery sees new parameter values.
  virtual std::unique_ptr<Resultset> OpenResultset(std::int32_t type = rdo::Keyset,
                                                   std::int32_t lockType = rdo::ReadOnly) = 0;
};

// One value of an import's "insert into T values (…)", as the statement text carries it.
struct InsertValue {
  enum class Kind : std::uint8_t {
    Null,    // Null
    Text,    // 'text', which holds no apostrophe
    Number,  // a number literal (or TRUE/FALSE), unquoted, possibly with blanks around
  };
  Kind kind = Kind::Null;
  String text;
};

// Runs the rows of an import into one table without compiling a statement text per row. Each
// row must come out exactly as its statement text would make it.
class RowInserter {
 public:
  virtual ~RowInserter() = default;
  // Inserts one row, a value per column. False, with nothing done, when this row can't be
  // proven to come out as its text would: the caller then runs the text. Throws
  // DatabaseError as Execute does.
  virtual bool insert(const std::vector<InsertValue>& row) = 0;
};

class Connection {
 public:
  virtual ~Connection() = default;
  // The data source name (ODBC) or the file's base name (SQLite), unless the URI gave ;name=.
  virtual String Name() const = 0;
  virtual std::unique_ptr<Resultset> OpenResultset(const String& sql,
                                                   std::int32_t type = rdo::Static,
                                                   std::int32_t lockType = rdo::ReadOnly,
                                                   std::int32_t options = rdo::ExecDirect) = 0;
  virtual void Execute(const String& sql, std::int32_t options = rdo::ExecDirect) = 0;
  virtual void BeginTrans() = 0;
  virtual void CommitTrans() = 0;
  virtual void RollbackTrans() = 0;
  // A prepared query whose parameters are marked "?".
  virtual std::unique_ptr<Query> CreateQuery(const String& sql) = 0;
  // The rows of "insert into `table` values (…)" with `columns` values each, run without a
  // statement text per row; nullptr where the backend can't, and the texts are run instead.
  virtual std::unique_ptr<RowInserter> PrepareInsert(const String& /*table*/,
                                                     std::int32_t /*columns*/) {
    return nullptr;
  }
};

// Opens a connection from a URI: "sqlite:PATH", "sqlite::memory:", "odbc:CONNECTION-STRING",
// each optionally followed by ";name=NAME". Throws DatabaseError.
std::unique_ptr<Connection> openConnection(const std::string& uri);

}  // namespace zuvo
