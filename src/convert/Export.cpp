#include "convert/Export.h"

#include "convert/Failure.h"
#include "convert/ValueText.h"

namespace zuvo::convert {

void closeQuietly(Resultset* rs) {
  if (!rs) return;
  try {
    rs->Close();
  } catch (...) {
    // Only the rows matter to the caller; a resultset that does not close is released anyway.
  }
}

Status openExport(Connection& cn, const String& sql, const String& fnm, bool add, TextWriter& out,
                  std::unique_ptr<Resultset>& rs) {
  try {
    rs = cn.OpenResultset(sql, rdo::Static, rdo::ReadOnly, rdo::ExecDirect);
  } catch (const DatabaseError& e) {
    return databaseFailure(Status::Code::Query, "the query failed", e.description());
  } catch (const std::exception& e) {
    return databaseFailure(Status::Code::Query, "the query failed", e.what());
  }
  if (!out.open(fnm, add)) {
    closeQuietly(rs.get());
    rs.reset();
    return out.status();
  }
  return Status();
}

void noteSubstitutions(ChangedValues& changed, Columns& columns, std::int64_t record) {
  for (std::int32_t i = 0; i < columns.Count(); ++i)
    if (!fitsShiftJis(columnText(columns[i].ValueRef()))) changed.note(record, i + 1);
}

String columnTypeFileName(const String& fnm) {
  std::size_t slash = fnm.find_last_of(u"/\\");
  std::size_t dot = fnm.rfind(u'.');
  if (dot == String::npos || (slash != String::npos && dot < slash)) return String();
  return fnm.substr(0, dot + 1) + u"csd";
}

}  // namespace zuvo::convert
