#include "convert/Export.h"

namespace zuvo::convert {

void closeQuietly(Resultset* rs) {
  if (!rs) return;
  try {
    rs->Close();
  } catch (...) {
    // Only the rows matter to the caller; a resultset that does not close is released anyway.
  }
}

std::unique_ptr<Resultset> openExport(Connection& cn, const String& sql, const String& fnm,
                                      bool add, ShiftJisWriter& out) {
  std::unique_ptr<Resultset> rs;
  try {
    rs = cn.OpenResultset(sql, rdo::Static, rdo::ReadOnly, rdo::ExecDirect);
  } catch (...) {
    return nullptr;  // no file is touched when the query cannot run
  }
  if (rs && !out.open(fnm, add)) {
    closeQuietly(rs.get());
    rs.reset();
  }
  return rs;
}

String columnTypeFileName(const String& fnm) {
  return fnm.substr(0, fnm.rfind(u'.') + 1) + u"csd";
}

}  // namespace zuvo::convert
