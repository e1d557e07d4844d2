// Login against the staff master and program authority from the client's INI file.
#include "component/ZuvoCls.h"
#include "database/SqlText.h"
#include "runtime/Convert.h"

namespace zuvo {

String ZuvoCls::ChkPass(Connection& RDBcn, const String& Sv1, const String& id, const String& pass,
                        String& jgcd, String& bucd, String& kacd, String& level) {
  jgcd.clear();
  bucd.clear();
  kacd.clear();
  level.clear();
  // The typed staff number is quoted safely: a quote in it must not change the query.
  const String query = u"select 氏名, 事業所CD, 部CD, 課CD, レベル, 担当者PW, 課PW from " + Sv1 +
                       u" where 社員番号 = " + sqltext::literal(id);
  auto rs = RDBcn.OpenResultset(query, rdo::Keyset, rdo::ReadOnly, rdo::ExecDirect);
  if (rs->IsEOF()) {
    rs->Close();
    return u"";
  }
  Columns& columns = rs->rdoColumns();
  const String expected = CnvStr(columns[u"課PW"].Value()) + CnvStr(columns[u"担当者PW"].Value());
  if (pass != expected) {
    rs->Close();
    return u"";
  }
  String name = rt::toText(columns[u"氏名"].Value());
  const String office = rt::toText(columns[u"事業所CD"].Value());
  const String department = rt::toText(columns[u"部CD"].Value());
  const String section = rt::toText(columns[u"課CD"].Value());
  const String userLevel = rt::toText(columns[u"レベル"].Value());
  rs->Close();
  jgcd = office;
  bucd = department;
  kacd = section;
  level = userLevel;
  return name;
}

bool ZuvoCls::ChkPgmUser(const String& ininame, std::int16_t lmax, const String& jgcd,
                         const String& bucd, const String& kacd, const String& level) {
  const String user = jgcd + bucd + kacd;
  bool permitted = false;
  for (std::int32_t i = 0; i <= lmax; ++i) {
    std::string number = std::to_string(i);
    if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
    const String key = u"ck" + rt::fromUtf8(number);
    const String entry = GetIniStr(ininame, u"login", key, false);
    if (entry.empty()) break;
    // Every entry is read: a later one may permit a level that an earlier one refused.
    if (rt::left(entry, 6) == user && rt::right(entry, 1) <= level) permitted = true;
  }
  return permitted;
}

}  // namespace zuvo
