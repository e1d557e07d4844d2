#pragma once

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

// Notes, for the record just written, every column whose text Shift-JIS cannot hold.
void noteSubstitutions(ChangedValues& changed, Columns& columns, std::int64_t record);

// The column type file written beside a CSV file: its name up to the last "." of the file's
// own name, and "csd"; empty when the file's own name has no ".".
String columnTypeFileName(const String& fnm);

}  // namespace zuvo::convert
