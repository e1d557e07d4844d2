// The program, message and log masters: what the client programs did, written in one
// transaction each.
#include <vector>

#include "component/ZuvoCls.h"
#include "database/SqlText.h"
#include "platform/Format.h"
#include "runtime/Convert.h"

namespace zuvo {

namespace {

const String kProgramMasterFailed = u"プログラム管理マスタ更新に失敗しました。";
const String kMessageMasterFailed = u"メッセージ管理マスタ更新に失敗しました。";
const String kMessageSequenceFailed = u"メッセージ管理用シーケンス更新に失敗しました。";
const String kTransactionNotStarted = u"トランザクション開始出来ませんでした。";
const String kCommitFailed = u"トランザクションコミットエラー。";
const String kLoggingFailed = u"ロギングエラー";
const String kKeyLabel = u"キー= ";
const String kNumberPlaceholder = u"@番号";

// The program name as the masters store it: lower case, without a final ".exe".
String programName(const String& pgmnm) {
  String name = rt::lower(pgmnm);
  if (name.size() >= 4 && name.compare(name.size() - 4, 4, u".exe") == 0)
    name.resize(name.size() - 4);
  return name;
}

String joinLines(const std::vector<String>& pieces) {
  String text;
  for (const String& piece : pieces) {
    if (!text.empty()) text += u'\n';
    text += piece;
  }
  return text;
}

// "a, b, c" of already formatted values.
String joinValues(const std::vector<String>& values) {
  String text;
  for (const String& value : values) {
    if (!text.empty()) text += u", ";
    text += value;
  }
  return text;
}

// The last line of a list of lines each ended by a line feed.
String lastLine(const String& lines) {
  String trimmed = lines;
  while (!trimmed.empty() && trimmed.back() == u'\n') trimmed.pop_back();
  const auto cut = trimmed.rfind(u'\n');
  return cut == String::npos ? trimmed : trimmed.substr(cut + 1);
}

// Warns the user after a beep, with the caller's title and the exclamation style.
void warn(Platform& platform, const String& title, const std::vector<String>& pieces) {
  platform.ui->beep();
  platform.ui->messageBox(joinLines(pieces), title, 48);
}

}  // namespace

void ZuvoCls::WritePGMm(Connection& RDBcn, const String& PGMm, const String& pgmnm,
                        const String& title, const String& pgmver, const String& tncd) {
  using sqltext::literal;
  const String program = programName(pgmnm);
  const Date now = platform_->clock->now();
  const String today = format(now, u"yyyy.mm.dd");
  const String time = format(now, u"hh:nn:ss");

  std::int32_t runCount = 0;
  auto rs = RDBcn.OpenResultset(
      u"select 実行回数 from " + PGMm + u" where プログラム = " + literal(program), rdo::Keyset,
      rdo::ReadOnly, rdo::ExecDirect);
  const bool known = !rs->IsEOF();
  if (known) runCount = rt::roundToLong(CnvVal(rs->rdoColumns()[u"実行回数"].Value()));
  rs->Close();

  String history, title2, copyright, libraryHistory;
  const String version = SetVer(pgmver, history, title2, copyright, libraryHistory);
  const auto blank = version.rfind(u' ');
  const String versionNumber = blank == String::npos ? version : version.substr(blank + 1);
  const String created = rt::left(history, 10);
  const String modified = rt::left(lastLine(history), 10);

  const String insert =
      u"insert into " + PGMm +
      u" (プログラム, タイトル, バージョン, 実行回数, 作成日付, 修正日付, 更新担当者, 更新日付, "
      u"更新時間) values (" +
      joinValues({literal(program), literal(title), literal(versionNumber), u"1", literal(created),
                  literal(modified), literal(tncd), literal(today), literal(time)}) +
      u")";
  String update = u"update " + PGMm + u" set バージョン = " + literal(versionNumber) + u", ";
  if (runCount < 99999999) update += u"実行回数 = 実行回数 + 1, ";
  update += u"修正日付 = " + literal(modified) + u", 更新担当者 = " + literal(tncd) +
            u", 更新日付 = " + literal(today) + u", 更新時間 = " + literal(time) +
            u" where プログラム = " + literal(program);

  String errs;
  if (RDBStartTran(RDBcn, errs, false) != 0) {
    warn(*platform_, title, {kProgramMasterFailed, kTransactionNotStarted, errs});
    return;
  }
  // A failed insert aborts the whole transaction on some databases, so a program already in
  // the master goes straight to the update.
  const bool inserted = !known && RDBExec(RDBcn, insert, errs) == 0;
  if (!inserted && RDBExec(RDBcn, update, errs) != 0) {
    RDBcn.RollbackTrans();
    warn(*platform_, title, {kProgramMasterFailed, errs, rt::left(update, 50)});
    return;
  }
  if (RDBCommit(RDBcn, errs) != 0) {
    RDBcn.RollbackTrans();
    warn(*platform_, title, {kProgramMasterFailed, kCommitFailed, errs});
  }
}

void ZuvoCls::WriteMSGm(Connection& RDBcn, const String& MSGm, const String& LOGm,
                        const String& SEQm, Query& SEQq1, Resultset& SEQr1, const String& pgmnm,
                        const String& title, const String& jgcd, const String& tncd,
                        const String& msg, const String& ErrMsg, const String& sql) {
  using sqltext::literal;
  String user, pc, ip;
  GetUserInfo(user, pc, ip);
  const Date now = platform_->clock->now();
  const String today = format(now, u"yyyy.mm.dd");
  const String time = format(now, u"hh:nn:ss");
  const String errorFlag = rt::trim(ErrMsg).empty() ? u"" : u"エラー";

  String errs;
  if (RDBStartTran(RDBcn, errs, false) != 0) {
    warn(*platform_, title, {kMessageMasterFailed, kTransactionNotStarted, errs});
    return;
  }
  // The number is drawn into the placeholder alone and the statement built around it, so that
  // a value holding the placeholder's text is stored as written.
  String number = kNumberPlaceholder;
  String counterStatement;
  if (GetSEQ(RDBcn, SEQm, SEQq1, SEQr1, u"MSGm_番号", 1, number, kNumberPlaceholder, u"", tncd,
             today, time, counterStatement) == -1) {
    RDBcn.RollbackTrans();
    warn(*platform_, title, {kMessageSequenceFailed, kKeyLabel + u"MSGm_番号"});
    return;
  }
  const String insert =
      u"insert into " + MSGm +
      u" (日付, 時間, 番号, 事業所, 担当者, エラー, プログラム, メッセージ, エラー内容, SQL, IP, "
      u"USERNAME) values (" +
      joinValues({literal(today), literal(time), number, literal(jgcd), literal(tncd),
                  literal(errorFlag), literal(programName(pgmnm)), literal(msg), literal(ErrMsg),
                  literal(sql), literal(ip), literal(user)}) +
      u")";
  if (RDBExec(RDBcn, insert, errs) != 0) {
    RDBcn.RollbackTrans();
    warn(*platform_, title, {kMessageMasterFailed, errs, rt::left(insert, 50)});
    return;
  }
  std::int32_t logNumber = 0;
  std::int16_t branch = 0;
  for (const String* logged : {static_cast<const String*>(&counterStatement), &insert}) {
    if (!WriteLOGm(RDBcn, LOGm, SEQm, SEQq1, SEQr1, title, jgcd, tncd, today, time, logNumber,
                   branch, u"", 0, *logged)) {
      RDBcn.RollbackTrans();
      warn(*platform_, title, {kMessageMasterFailed, kLoggingFailed, rt::left(*logged, 50)});
      return;
    }
  }
  if (RDBCommit(RDBcn, errs) != 0) {
    RDBcn.RollbackTrans();
    warn(*platform_, title, {kMessageMasterFailed, kCommitFailed, errs});
  }
}

bool ZuvoCls::WriteLOGm(Connection& RDBcn, const String& LOGm, const String& SEQm, Query& SEQq1,
                        Resultset& SEQr1, const String& /*title*/, const String& jgcd,
                        const String& tncd, const String& todt, const String& totm,
                        std::int32_t& no, std::int16_t& edbn, const String& trkb, std::int32_t bfno,
                        const String& sql) {
  using sqltext::literal;
  String user, pc, ip;
  GetUserInfo(user, pc, ip);
  if (edbn == INT16_MAX) throw RuntimeError(err::Overflow);
  edbn = edbn >= 1 ? std::int16_t(edbn + 1) : std::int16_t(1);

  // As in WriteMSGm: the number first, then the statement around it.
  String number = kNumberPlaceholder;
  if (edbn == 1) {
    String counterStatement;
    no = GetSEQ(RDBcn, SEQm, SEQq1, SEQr1, u"LOGm_番号", 1, number, kNumberPlaceholder, u"", tncd,
                todt, totm, counterStatement);
    if (no == -1) return false;
  } else {
    number = CnvStrVal(Variant::Long(no));
  }
  const String insert =
      u"insert into " + LOGm +
      u" (日付, 時間, 番号, 枝番, 事業所, 担当者, 取引区分, 更新前番号, 送信済, SQL, IP, USERNAME) "
      u"values (" +
      joinValues({literal(todt), literal(totm), number, CnvStrVal(Variant(edbn)), literal(jgcd),
                  literal(tncd), literal(trkb), CnvStrVal(Variant::Long(bfno)), u"'0'",
                  literal(sql), literal(ip), literal(user)}) +
      u")";
  String errs;
  return RDBExec(RDBcn, insert, errs) == 0;
}

}  // namespace zuvo
