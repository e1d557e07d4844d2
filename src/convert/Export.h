#pragma once

#include <functional>
#include <memory>

#include "../database/Database.h"
#include "../runtime/Status.h"
#include "TextFile.h"

namespace zuvo::convert {

// Closes a resultset, ignoring a failure: the caller has already decided its result.
void closeQuietly(Resultset* rs);

// Closes the resultset on every way out.
struct ResultsetCloser {
  std::unique_ptr<Resultset> rs;
  ~ResultsetCloser() { closeQuietly(rs.get()); }
};

// The first step of every export: the query opened static and read-only, executed directly,
// then the output file opened for replacing or appending. When either fails nothing is left
// open and the status says why; no file is touched when the query fails.
Status openExport(Connection& cn, const String& sql, const String& fnm, bool add, TextWriter& out,
                  std::unique_ptr<Resultset>& rs);

// The steps every export shares, around the writing of its rows: the query and the file
// opened, the row loop with its count and yields, the values the file couldn't hold noted, the
// failures kept and the file closed. A method keeps only what it writes.
class QueryExport {
 public:
  QueryExport(ConversionReport& report, FileService& files,
              TextEncoding encoding = TextEncoding::ShiftJis)
      : report_(report), files_(files), out_(encoding, files) {}
  virtual ~QueryExport() = default;
  QueryExport(const QueryExport&) = delete;
  QueryExport& operator=(const QueryExport&) = delete;

  // Writes the rows of `sql` to `fnm`, replacing it or appending to it, `counted` told the
  // running count. The method's result: the rows written, or -1 (the report says why).
  std::int32_t run(Connection& cn, const String& sql, const String& fnm, bool add,
                   const std::function<void(std::int32_t)>& counted);

 protected:
  // Before the first row: a header, the check of a layout. May throw to end the export.
  virtual void begin(Resultset& /*rs*/, bool /*add*/) {}
  // Writes row `record` (from 1) of the resultset's columns.
  virtual void writeRow(Columns& columns, std::int64_t record) = 0;
  // After the file is closed; `columns` is null when the query gave none.
  virtual void end(Columns* /*columns*/) {}

  ConversionReport& report_;
  FileService& files_;
  TextWriter out_;
};

// Notes, for the record just written, every column whose text Shift-JIS cannot hold.
void noteSubstitutions(ChangedValues& changed, Columns& columns, std::int64_t record);

// The column type file written beside a CSV file: its name up to the last "." of the file's
// own name, and "csd"; empty when the file's own name has no ".".
String columnTypeFileName(const String& fnm);
// Writes `types` as the one line of the column type file beside the CSV file `fnm`, replacing
// it; nothing when fnm's own name has no ".". Ok, or why the file could not be written.
Status writeColumnTypeFile(FileService& files, const String& fnm, const String& types);

}  // namespace zuvo::convert
