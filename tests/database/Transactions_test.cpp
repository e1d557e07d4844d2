#include <gtest/gtest.h>

#include "TestDatabases.h"
#include "component/ZuvoCls.h"

namespace zuvo {
namespace {

class TransactionsTest : public test::DatabaseTest {
 protected:
  std::int32_t count(const String& table) {
    auto rs = connection().OpenResultset(u"select count(*) from " + table);
    return *rs->rdoColumns()[0].Value().get<std::int32_t>();
  }
  ZuvoCls z;
  String errs = u"kept";
};

TEST_P(TransactionsTest, CommittedWorkStaysAndRolledBackWorkGoes) {
  createTable(u"t", u"a integer");
  EXPECT_EQ(z.RDBStartTran(connection(), errs, false), 0);
  EXPECT_EQ(errs, u"");
  errs = u"kept";
  EXPECT_EQ(z.RDBExec(connection(), u"insert into t values (1)", errs), 0);
  EXPECT_EQ(errs, u"");
  errs = u"kept";
  EXPECT_EQ(z.RDBCommit(connection(), errs), 0);
  EXPECT_EQ(errs, u"");

  EXPECT_EQ(z.RDBStartTran(connection(), errs, false), 0);
  EXPECT_EQ(z.RDBExec(connection(), u"insert into t values (2)", errs), 0);
  connection().RollbackTrans();
  EXPECT_EQ(count(u"t"), 1);
}

TEST_P(TransactionsTest, SystemFlagStartsNothing) {
  EXPECT_EQ(z.RDBStartTran(connection(), errs, true), -1);
  EXPECT_EQ(errs, u"kept");
  // No transaction is open, so a second start is no nested one and succeeds.
  EXPECT_EQ(z.RDBStartTran(connection(), errs, false), 0);
}

TEST_P(TransactionsTest, FailuresComeBackAsNumberAndOneLineText) {
  EXPECT_NE(z.RDBExec(connection(), u"insert into no_such_table values (1)", errs), 0);
  EXPECT_FALSE(errs.empty());
  EXPECT_EQ(errs.find(u'\n'), String::npos);

  // A second start inside a transaction fails but is reported, not raised.
  EXPECT_EQ(z.RDBStartTran(connection(), errs, false), 0);
  errs = u"kept";
  EXPECT_NE(z.RDBStartTran(connection(), errs, false), 0);
  EXPECT_NE(errs, u"kept");
  EXPECT_EQ(z.RDBCommit(connection(), errs), 0);
}

TEST_P(TransactionsTest, RequeryKeepsThePlaceWhileTheRowIsThere) {
  createTable(u"t", u"a integer");
  for (int i = 1; i <= 3; ++i) {
    connection().Execute(u"insert into t values (" + String(1, char16_t(u'0' + i)) + u")");
  }
  for (auto type : {rdo::Static, rdo::Keyset}) {
    SCOPED_TRACE(type);
    auto rs = connection().OpenResultset(u"select a from t order by a", type);
    rs->MoveNext();
    EXPECT_TRUE(z.RequeryRS(*rs));
    EXPECT_EQ(rs->rdoColumns()[0].Value(), Variant::Long(2));
    rs->MoveNext();  // on the third row, which goes away
    connection().Execute(u"delete from t where a = 3");
    EXPECT_FALSE(z.RequeryRS(*rs));
    connection().Execute(u"insert into t values (3)");
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, TransactionsTest, test::backends(), test::backendName);

TEST(Transactions, LocalConnectionsGetNoTransaction) {
  ZuvoCls z;
  auto cn = openConnection("sqlite::memory:;name=Sales_LOCAL");
  cn->Execute(u"create table t (a integer)");
  String errs = u"kept";
  EXPECT_EQ(z.RDBStartTran(*cn, errs, false), 0);
  EXPECT_EQ(errs, u"kept");
  cn->Execute(u"insert into t values (1)");
  cn->RollbackTrans();  // nothing to roll back: the insert stands
  EXPECT_EQ(z.RDBCommit(*cn, errs), 0);
  EXPECT_EQ(errs, u"");
  EXPECT_FALSE(cn->OpenResultset(u"select a from t")->IsEOF());
}

TEST(Transactions, MultiLineErrorTextBecomesOneLineOfTheSameLength) {
  ZuvoCls z;
  auto cn = openConnection("sqlite::memory:");
  cn->Execute(
      u"create table t (a integer);"
      u"create trigger refuse before insert on t begin "
      u"select raise(abort, 'first line\nsecond line\nthird line'); end");
  String errs;
  EXPECT_NE(z.RDBExec(*cn, u"insert into t values (1)", errs), 0);
  EXPECT_EQ(errs, u"first line second line third line");
}

}  // namespace
}  // namespace zuvo
