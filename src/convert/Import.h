#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "../database/Database.h"
#include "../runtime/Status.h"
#include "../runtime/String.h"

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

// Appends the value of a string or date column to an insert: a string cut to the column's
// Shift-JIS size and cleaned, between single quotes; a date as it is, quoted, or Null when
// empty.
void appendQuotedValue(ZuvoCls& z, const ColumnTables& columns, std::int32_t k, String& field,
                       String& statement);

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

// Runs the inserts of a load through RDBStartTran, RDBExec and RDBCommit, committing every
// `interval` rows (never in between when interval is 0 or below) and at the end. After a
// failure the open transaction has been rolled back and the batch takes nothing more; rows
// committed before stay.
class ImportBatch {
 public:
  // `counted` receives the running row count after every insert; `source` names the file in
  // the statuses.
  ImportBatch(ZuvoCls& z, Connection& cn, std::int32_t interval,
              std::function<void(std::int32_t)> counted, std::string source);
  ~ImportBatch();  // rolls back a transaction still open
  ImportBatch(const ImportBatch&) = delete;
  ImportBatch& operator=(const ImportBatch&) = delete;

  bool insert(const String& statement);
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
  ZuvoCls& z_;
  Connection& cn_;
  std::int32_t interval_;
  std::function<void(std::int32_t)> counted_;
  std::string source_;
  std::int32_t count_ = 0;
  bool open_ = false;
  Status status_;
  String errs_;
};

}  // namespace zuvo::convert
