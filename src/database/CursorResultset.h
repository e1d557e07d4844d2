#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Database.h"

// The resultset logic that both backends share: a backend supplies a Cursor (one statement,
// run from its start and read forwards), and the resultset adds positions, bookmarks and
// re-queries on top of it.
namespace zuvo::db {

// Numbers of the failures that the data access layer raises itself, not its backend.
namespace layerError {
inline constexpr std::int32_t BadConnectionUri = 40001;
inline constexpr std::int32_t ItemNotFound = 40002;
inline constexpr std::int32_t NoCurrentRow = 40021;
inline constexpr std::int32_t InvalidBookmark = 40022;
inline constexpr std::int32_t Closed = 40041;
inline constexpr std::int32_t InvalidArgument = 40050;
}  // namespace layerError

struct ColumnInfo {
  String name;
  std::int32_t type = coltype::VarChar;
  std::int32_t size = 0;
};

// One statement of a backend.
class Cursor {
 public:
  virtual ~Cursor() = default;
  // Runs the statement (again) from its start with the current parameter values; the column
  // descriptions are valid afterwards.
  virtual void execute() = 0;
  // Reads the next row into `row` (one value per column); false past the last row.
  virtual bool fetch(std::vector<Variant>& row) = 0;
  virtual const std::vector<ColumnInfo>& columns() const = 0;
  // Gives back what the open statement holds (locks, buffers) until the next execute().
  virtual void release() = 0;
};

// Static resultsets stream: only the current row is held, so that a table of any size is
// walked in constant memory; a bookmark is the row number, and going back to an earlier row
// runs the statement again. Keyset resultsets read all their rows at once and let the
// statement go: they serve single-row lookups that stay open across the caller's
// transactions, and must not hold a read open meanwhile.
std::unique_ptr<Resultset> makeResultset(std::unique_ptr<Cursor> cursor, std::int32_t type);

// Checks the cursor type and lock type of OpenResultset.
void checkResultsetOptions(std::int32_t type, std::int32_t lockType);

}  // namespace zuvo::db
