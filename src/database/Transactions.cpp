#include <algorithm>

#include "component/ZuvoCls.h"
#include "runtime/Convert.h"

namespace zuvo {

namespace {

// Runs one data access operation and turns its failure into a number and a text.
template <typename Operation>
std::int32_t trapped(String& errs, Operation operation) {
  try {
    operation();
    errs.clear();
    return 0;
  } catch (const DatabaseError& e) {
    errs = rt::fromUtf8(e.description());
    return e.number();
  } catch (const RuntimeError& e) {
    errs = rt::fromUtf8(e.description());
    return e.number();
  }
}

// Connections whose name ends in "_local" (any case) work without transactions.
bool isLocal(const String& name) {
  static constexpr std::u16string_view suffix = u"_local";
  if (name.size() < suffix.size()) return false;
  return rt::sameAsciiNoCase(std::u16string_view(name).substr(name.size() - suffix.size()), suffix);
}

}  // namespace

std::int32_t ZuvoCls::RDBStartTran(Connection& RDBcn, String& errs, bool sys) {
  if (sys) return -1;
  String local;
  bool skip = false;
  std::int32_t result = trapped(local, [&] {
    skip = isLocal(RDBcn.Name());
    if (!skip) RDBcn.BeginTrans();
  });
  if (!skip || result != 0) errs = local;  // a local connection leaves errs as it was
  return result;
}

std::int32_t ZuvoCls::RDBCommit(Connection& RDBcn, String& errs) {
  return trapped(errs, [&] { RDBcn.CommitTrans(); });
}

std::int32_t ZuvoCls::RDBExec(Connection& RDBcn, const String& sql, String& errs) {
  std::int32_t result = trapped(errs, [&] { RDBcn.Execute(sql, rdo::ExecDirect); });
  // One line for the caller's message box and log; same length, so offsets still hold.
  if (result != 0) std::replace(errs.begin(), errs.end(), u'\n', u' ');
  return result;
}

bool ZuvoCls::RequeryRS(Resultset& rs) {
  Variant bookmark = rs.Bookmark();
  rs.Requery();
  bool lost = false;
  try {
    rs.SetBookmark(bookmark);
  } catch (const DatabaseError&) {
    lost = true;
  } catch (const RuntimeError&) {
    lost = true;
  }
  return !rs.IsEOF() && !lost && !rs.IsBOF();
}

}  // namespace zuvo
