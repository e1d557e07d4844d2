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

std::int32_t QueryExport::run(Connection& cn, const String& sql, const String& fnm, bool add,
                              const std::function<void(std::int32_t)>& counted) {
  ResultsetCloser query;
  if (Status s = openExport(cn, sql, fnm, add, out_, query.rs); !s.ok()) {
    report_.fail(std::move(s));
    return -1;
  }
  std::int32_t count = 0;
  Columns* columns = nullptr;
  try {
    columns = &query.rs->rdoColumns();
    begin(*query.rs, add);
    for (; !query.rs->IsEOF(); query.rs->MoveNext()) {
      const std::int64_t substituted = out_.substituted();
      writeRow(*columns, count + 1);
      if (out_.substituted() != substituted)
        noteSubstitutions(report_.substituted, *columns, count + 1);
      counted(++count);
    }
  } catch (...) {
    // A row that can't be read ends the export; what was written stays in the file.
    report_.fail(failureOf(std::current_exception(), count + 1, "the query"));
  }
  if (!out_.close()) report_.fail(out_.status());
  end(columns);
  return report_.status.ok() ? count : -1;
}

void noteSubstitutions(ChangedValues& changed, Columns& columns, std::int64_t record) {
  for (std::int32_t i = 0; i < columns.Count(); ++i)
    if (!fitsShiftJis(columnText(columns[i].ValueRef()))) changed.note(record, i + 1);
}

Status writeColumnTypeFile(FileService& files, const String& fnm, const String& types) {
  String name = columnTypeFileName(fnm);
  if (name.empty()) return Status();
  TextWriter typeFile(TextEncoding::ShiftJis, files);
  typeFile.open(name, false);
  typeFile.writeLine(types);
  typeFile.close();
  return typeFile.status();
}

String columnTypeFileName(const String& fnm) {
  std::size_t slash = fnm.find_last_of(u"/\\");
  std::size_t dot = fnm.rfind(u'.');
  if (dot == String::npos || (slash != String::npos && dot < slash)) return String();
  return fnm.substr(0, dot + 1) + u"csd";
}

}  // namespace zuvo::convert
