#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../database/Database.h"
#include "../runtime/Status.h"
#include "../runtime/String.h"
#include "Report.h"
#include "TextFile.h"

namespace zuvo {
class ZuvoCls;
}

// What every table import shares: the target table's column list, the cleaning of text
// values, and the chain of transactions the inserts run in.
namespace zuvo::convert {

inline constexpr std::int32_t kMaxColumns = 256;

// Kind and declared size of every column of the target table, by position.
struct ColumnTables {
  // 1 string column, 0 number column, 2 date or time column (a number column by its type,
  // but its values are texts such as 2024-01-31 that only go in quoted).
  std::array<std::int16_t, kMaxColumns> kind{};
  std::array<std::int32_t, kMaxColumns> size{};  // declared size, 0 when none
  std::int32_t last = -1;                        // index of the last column

  bool isString(std::int32_t k) const { return kind[static_cast<std::size_t>(k)] == 1; }
  bool isDate(std::int32_t k) const { return kind[static_cast<std::size_t>(k)] == 2; }
  // Fills the tables from the columns of rs; false when it has more than kMaxColumns.
  bool read(Resultset& rs);
};

// Opens the target table for its column list only. Throws what the connection throws.
std::unique_ptr<Resultset> openTargetTable(Connection& cn, const String& tbl);

// The target step of every import: `tbl` without blanks around it must be a plain name;
// its columns fill `columns`.
Status readTargetTable(Connection& cn, const String& tbl, ColumnTables& columns);

// "the layout has 2 fields for the 3 columns of T", for a header or a layout.
Status fieldCountMismatch(const std::string& what, std::int32_t fields, const ColumnTables& columns,
                          const String& tbl);

// A table name that can stand in "insert into NAME values": no blanks, quotes of the
// statement, separators or comments that would let it carry more SQL.
bool isPlainTableName(const String& tbl);

// Whether s takes at most `size` Shift-JIS bytes, so that cutting it to the column's size
// would leave it whole.
bool fitsInBytes(std::u16string_view s, std::int32_t size);

// Comma, apostrophe and double quote become blanks and "”" becomes "’", so that the value
// can go between single quotes without escaping. The length does not change.
void cleanText(String& s);

// A number literal that may stand unquoted in a statement: blanks around an optional sign,
// digits with at most one decimal point, an optional exponent. TRUE and FALSE pass too,
// since Boolean columns are written that way.
bool isNumberLiteral(std::u16string_view s);

// Runs `sql` in a transaction of its own before a load; after a failure it has been rolled
// back. A blank `sql` does nothing.
Status runBeforeLoad(ZuvoCls& z, Connection& cn, const String& sql);

// The values of one record in column order, as its insert takes them.
class ImportRow {
 public:
  explicit ImportRow(const ColumnTables& columns)
      : columns_(columns), values_(static_cast<std::size_t>(columns.last + 1)) {}

  // Field k of a CSV record, trailing blanks already removed: a string or date column's
  // value as setText takes it; for a number column an empty field is Null, and anything but
  // a number literal is refused (false), since it would go into the statement unquoted.
  bool setField(ZuvoCls& z, std::int32_t k, String& field);
  // A string column's value cut to the column's Shift-JIS size and cleaned; a date column's
  // value as it is, or Null when empty. `field` is used up.
  void setText(ZuvoCls& z, std::int32_t k, String& field);
  // A number column's value: a number literal.
  void setNumber(std::int32_t k, const String& literal);
  void setNull(std::int32_t k) { value(k).kind = InsertValue::Kind::Null; }

  const std::vector<InsertValue>& values() const { return values_; }
  // "insert into `table` values (…)" of this row.
  void statement(const String& table, String& out) const;

 private:
  InsertValue& value(std::int32_t k) { return values_[static_cast<std::size_t>(k)]; }
  const ColumnTables& columns_;
  std::vector<InsertValue> values_;
};

// Runs the inserts of a load in transactions of RDBStartTran and RDBCommit, each row bound
// where the connection can and else run as its statement through RDBExec, committing every
// `interval` rows (never in between when interval is 0 or below) and at the end. After a
// failure the open transaction has been rolled back and the batch takes nothing more; rows
// committed before stay.
class ImportBatch {
 public:
  // Rows go into `table` (a plain name, trimmed), which has `columns` columns. `counted`
  // receives the running row count after every insert; `source` names the file in the
  // statuses.
  ImportBatch(ZuvoCls& z, Connection& cn, const String& table, std::int32_t columns,
              std::int32_t interval, std::function<void(std::int32_t)> counted, std::string source);
  ~ImportBatch();  // rolls back a transaction still open
  ImportBatch(const ImportBatch&) = delete;
  ImportBatch& operator=(const ImportBatch&) = delete;

  // Inserts the row: bound where the connection can, else as its statement text.
  bool insert(const ImportRow& row);
  // Commits the open transaction at the end of the load.
  bool finish();
  // Ends the load as a failed insert does, for `why`: the open transaction is rolled back.
  void fail(Status why);
  std::int32_t count() const { return count_; }
  bool failed() const { return !status_.ok(); }
  // Why the load failed: the database's words for a begin, an insert or a commit.
  const Status& status() const { return status_; }
  const std::string& source() const { return source_; }

 private:
  void rollback();
  bool commit();
  bool begin(std::int32_t record);
  void refused(std::int32_t record, const std::string& words);
  ZuvoCls& z_;
  Connection& cn_;
  String table_;
  std::unique_ptr<RowInserter> inserter_;
  String statement_;
  std::int32_t interval_;
  std::function<void(std::int32_t)> counted_;
  std::string source_;
  std::int32_t count_ = 0;
  bool open_ = false;
  Status status_;
  String errs_;
};

// The steps every file import shares, around the reading of its records: the statement
// before the load, the file, the target table, the check of its fields against the table's
// columns, the chain of transactions and the result. A method keeps only its own reader.
class FileImport {
 public:
  FileImport(ZuvoCls& z, ConversionReport& report, Connection& cn, const String& fnm,
             const String& tbl, TextEncoding encoding = TextEncoding::ShiftJis);
  virtual ~FileImport() = default;
  FileImport(const FileImport&) = delete;
  FileImport& operator=(const FileImport&) = delete;

  // Runs `sql` first, then the load with commits every `interval` rows, `counted` told the
  // running count. The method's result: the rows loaded, 0 when there was nothing to load,
  // -1 when anything failed (the report says why).
  std::int32_t run(const String& sql, std::int32_t interval,
                   std::function<void(std::int32_t)> counted);

 protected:
  // The file is open and not empty: reads what comes before the records; false when
  // nothing is left to load.
  virtual bool readHeader() { return true; }
  // Ok when the file's fields suit the columns of the table.
  virtual Status checkFields() = 0;
  // Reads records into `row` and inserts them until the file ends or the batch fails.
  virtual void loadRecords(ImportBatch& batch, ImportRow& row) = 0;

  ZuvoCls& z_;
  ConversionReport& report_;
  const String& fnm_;
  const String& tbl_;
  TextReader file_;
  ColumnTables columns_;
  std::string source_;  // the file as messages name it

 private:
  Connection& cn_;
};

}  // namespace zuvo::convert
