// Sequence numbers drawn from the sequence table inside the caller's transaction.
#include "component/ZuvoCls.h"
#include "database/SqlText.h"
#include "platform/Format.h"
#include "runtime/Convert.h"

namespace zuvo {

namespace {

// The message and log counters run per day: their key gets the date of `todt` (yyyy.mm.dd).
String counterKey(const String& key, const String& todt) {
  if (key != u"LOGm_番号" && key != u"MSGm_番号") return key;
  return key + u"_" + rt::mid(todt, 1, 4) + rt::mid(todt, 6, 2) + rt::right(todt, 2);
}

// Points the caller's prepared query at `key` and runs its resultset again; false on failure.
bool requeryCounter(Query& query, Resultset& rs, const String& key) {
  try {
    query.SetParameter(0, key);
    rs.Requery();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

std::int32_t ZuvoCls::GetSEQ(Connection& RDBcn, const String& SEQm, Query& SEQq1, Resultset& SEQr1,
                             const String& SEQk1, std::int16_t add, String& sql, const String& swd,
                             const String& ft, const String& tncd, const String& todt,
                             const String& totm, String& SEQs) {
  using sqltext::literal;
  SEQs.clear();
  const String key = counterKey(SEQk1, todt);
  const String step = CnvStrVal(Variant(add));
  String errs;

  // The update comes first: it locks the counter row until the caller's transaction ends, so
  // two programs drawing from one counter are served one after the other.
  String lastStatement = u"update " + SEQm + u" set 番号 = 番号 + " + step + u", 更新担当者 = " +
                         literal(tncd) + u", 更新日付 = " + literal(todt) + u", 更新時間 = " +
                         literal(totm) + u" where キー = " + literal(key);
  if (RDBExec(RDBcn, lastStatement, errs) != 0) return -1;
  if (!requeryCounter(SEQq1, SEQr1, key)) return -1;

  if (SEQr1.IsEOF()) {
    lastStatement = u"insert into " + SEQm +
                    u" (キー, 番号, 開始番号, 終了番号, 更新担当者, 更新日付, 更新時間) values (" +
                    literal(key) + u", " + step + u", 1, 99999999, " + literal(tncd) + u", " +
                    literal(todt) + u", " + literal(totm) + u")";
    if (RDBExec(RDBcn, lastStatement, errs) != 0) return -1;
    if (!requeryCounter(SEQq1, SEQr1, key)) return -1;
    if (SEQr1.IsEOF()) return -1;
  }

  Columns& columns = SEQr1.rdoColumns();
  const Variant number = columns[u"番号"].Value();
  const Variant last = columns[u"終了番号"].Value();
  if (rt::toDouble(number) > rt::toDouble(last)) return -1;

  if (!sql.empty() && !swd.empty()) {
    const std::int64_t at = rt::inStr(sql, swd);
    if (at == 0) return -1;
    sql = rt::left(sql, at - 1) + format(number, ft) + rt::mid(sql, at + std::int64_t(swd.size()));
  }
  SEQs = lastStatement;
  return rt::toLong(number);
}

}  // namespace zuvo
