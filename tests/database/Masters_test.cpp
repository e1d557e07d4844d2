#include "database/ServicesFixture.h"

namespace zuvo::test {
namespace {

const String kHistory = u"~|~1999.04.01 ver 1.00 初版~|~2000.01.10 ver 1.10 copy 2000~|~";

class MastersTest : public ServicesFixture {
 protected:
  void writeProgram(const String& name, const String& history = kHistory) {
    z->WritePGMm(*cn, u"pgmm", name, u"販売管理", history, u"T01");
  }
  void writeMessage(const String& msg, const String& errMsg, const String& sql,
                    const String& msgTable = u"msgm") {
    z->WriteMSGm(*cn, msgTable, u"logm", u"seqm", *counterQuery, *counterRows, u"SALES.EXE",
                 u"販売管理", u"01", u"T01", msg, errMsg, sql);
  }
  String text(const String& sql) { return rt::toText(scalar(sql)); }
};

INSTANTIATE_TEST_SUITE_P(Backends, MastersTest, backends(), backendName);

TEST_P(MastersTest, ProgramRowIsInsertedThenUpdated) {
  writeProgram(u"SALES.EXE");
  EXPECT_EQ(text(u"select バージョン from pgmm where プログラム = 'sales'"), u"1.10");
  EXPECT_EQ(text(u"select 実行回数 from pgmm"), u"1");
  EXPECT_EQ(text(u"select 作成日付 from pgmm"), u"1999.04.01");
  EXPECT_EQ(text(u"select 修正日付 from pgmm"), u"2000.01.10");
  EXPECT_EQ(text(u"select 更新日付 || ' ' || 更新時間 from pgmm"), u"2000.11.23 10:30:05");

  writeProgram(u"sales", u"~|~1999.04.01 ver 1.00~|~2001.02.03 ver 2.00 copy~|~");
  EXPECT_EQ(count(u"pgmm"), 1);
  EXPECT_EQ(text(u"select 実行回数 from pgmm"), u"2");
  EXPECT_EQ(text(u"select バージョン from pgmm"), u"2.00");
  EXPECT_EQ(text(u"select 修正日付 from pgmm"), u"2001.02.03");
  EXPECT_EQ(text(u"select 作成日付 from pgmm"), u"1999.04.01");
  EXPECT_EQ(text(u"select タイトル from pgmm"), u"販売管理");
  EXPECT_TRUE(recorder->messages.empty());
}

TEST_P(MastersTest, RunCountStopsAtItsLimitAndBadHistoryStoresStars) {
  writeProgram(u"a.exe");
  cn->Execute(u"update pgmm set 実行回数 = 99999999");
  writeProgram(u"a.exe");
  EXPECT_EQ(text(u"select 実行回数 from pgmm"), u"99999999");
  writeProgram(u"b.exe", u"1.00");
  EXPECT_EQ(text(u"select バージョン from pgmm where プログラム = 'b'"), u"**");
}

TEST_P(MastersTest, ProgramMasterFailureIsShown) {
  // The lookup before the transaction is not trapped: a missing master is the caller's error.
  EXPECT_THROW(z->WritePGMm(*cn, u"nosuch", u"a.exe", u"販売管理", kHistory, u"T01"),
               DatabaseError);
  cn->BeginTrans();  // a transaction already open: the master's own cannot begin
  writeProgram(u"a.exe");
  cn->RollbackTrans();
  ASSERT_EQ(recorder->messages.size(), 1u);
  EXPECT_EQ(rt::left(recorder->messages[0].text, 40),
            u"プログラム管理マスタ更新に失敗しました。\nトランザクション開始出来ませんでした。");
  EXPECT_EQ(recorder->messages[0].title, u"販売管理");
  EXPECT_EQ(recorder->messages[0].style, 48);
  EXPECT_EQ(recorder->beeps, 1);
}

TEST_P(MastersTest, MessageWritesMessageAndTwoLogRowsInOneGroup) {
  writeMessage(u"在庫不足", u"  ", u"update 在庫 set 数量 = 0 where 品名 = 'A'");
  ASSERT_TRUE(recorder->messages.empty());
  EXPECT_EQ(count(u"msgm"), 1);
  EXPECT_EQ(text(u"select 番号 from msgm"), u"1");
  EXPECT_EQ(text(u"select エラー from msgm"), u"");
  EXPECT_EQ(text(u"select プログラム from msgm"), u"sales");
  EXPECT_EQ(text(u"select SQL from msgm"), u"update 在庫 set 数量 = 0 where 品名 = 'A'");
  EXPECT_EQ(count(u"logm"), 2);
  EXPECT_EQ(count(u"logm where 番号 = 1 and 枝番 in (1, 2)"), 2);
  // The first log row holds the statement that advanced the day's message counter.
  EXPECT_EQ(rt::left(text(u"select SQL from logm where 枝番 = 1"), 11), u"insert into");
  EXPECT_NE(text(u"select SQL from logm where 枝番 = 1").find(u"MSGm_番号_20001123"), String::npos);
  EXPECT_EQ(rt::left(text(u"select SQL from logm where 枝番 = 2"), 16), u"insert into msgm");
  EXPECT_EQ(text(u"select 送信済 from logm where 枝番 = 2"), u"0");
}

TEST_P(MastersTest, MessageNumbersFollowEachOtherAndRestartNextDay) {
  writeMessage(u"一", u"エラーあり", u"");
  writeMessage(u"二", u"", u"");
  EXPECT_EQ(text(u"select 番号 from msgm where メッセージ = '二'"), u"2");
  EXPECT_EQ(text(u"select エラー from msgm where メッセージ = '一'"), u"エラー");
  recorder->fixedNow = rt::makeDate(2000, 11, 24, 9, 0, 0);
  writeMessage(u"三", u"", u"");
  EXPECT_EQ(text(u"select 番号 from msgm where メッセージ = '三'"), u"1");
  EXPECT_EQ(text(u"select 日付 from msgm where メッセージ = '三'"), u"2000.11.24");
}

TEST_P(MastersTest, ApostrophesInMessagesAreKept) {
  writeMessage(u"can't ship", u"O'Brien's order", u"");
  ASSERT_TRUE(recorder->messages.empty());
  EXPECT_EQ(text(u"select メッセージ from msgm"), u"can't ship");
  EXPECT_EQ(text(u"select エラー内容 from msgm"), u"O'Brien's order");
}

TEST_P(MastersTest, FailureInTheMiddleRollsEverythingBack) {
  writeMessage(u"x", u"", u"", u"nosuch");
  ASSERT_EQ(recorder->messages.size(), 1u);
  EXPECT_EQ(rt::left(recorder->messages[0].text, 20), u"メッセージ管理マスタ更新に失敗しました。");
  EXPECT_EQ(count(u"seqm"), 0);  // the counter's advance was rolled back
  EXPECT_EQ(count(u"logm"), 0);
}

TEST_P(MastersTest, LogGroupNumbersBranches) {
  std::int32_t no = 0;
  std::int16_t edbn = 0;
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(z->WriteLOGm(*cn, u"logm", u"seqm", *counterQuery, *counterRows, u"", u"01", u"T01",
                             u"2000.11.23", u"10:00:00", no, edbn, u"K1", 7,
                             u"delete from t where a = 'b'"));
  }
  EXPECT_EQ(no, 1);
  EXPECT_EQ(edbn, 3);
  EXPECT_EQ(count(u"logm where 番号 = 1"), 3);
  EXPECT_EQ(text(u"select max(枝番) from logm"), u"3");
  EXPECT_EQ(text(u"select SQL from logm where 枝番 = 3"), u"delete from t where a = 'b'");
  EXPECT_EQ(text(u"select 更新前番号 from logm where 枝番 = 3"), u"7");
}

}  // namespace
}  // namespace zuvo::test
