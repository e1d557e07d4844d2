#pragma once

#include <memory>

#include "../database/Database.h"
#include "TextFile.h"

namespace zuvo::convert {

// Closes a resultset, ignoring a failure: the caller has already decided its result.
void closeQuietly(Resultset* rs);

// The first step of every export: the query opened static and read-only, executed directly,
// then the output file opened for replacing or appending. nullptr, with nothing left open,
// when either fails.
std::unique_ptr<Resultset> openExport(Connection& cn, const String& sql, const String& fnm,
                                      bool add, ShiftJisWriter& out);

// The column type file written beside a CSV file: its name up to its last "." and "csd".
String columnTypeFileName(const String& fnm);

}  // namespace zuvo::convert
