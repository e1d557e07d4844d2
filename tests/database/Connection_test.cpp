// The operations of the data access layer, run alike on every backend.
#include <gtest/gtest.h>
#include <unistd.h>

#include "TestDatabases.h"
#include "database/CursorResultset.h"

namespace zuvo {
namespace {

using test::Backend;

double number(const Variant& v) {
  if (auto l = v.get<std::int32_t>()) return *l;
  if (auto d = v.get<double>()) return *d;
  if (auto m = v.get<Decimal>()) return m->toDouble();
  ADD_FAILURE() << "not a number, VarType " << static_cast<int>(v.type());
  return 0;
}

String text(const Variant& v) {
  auto s = v.get<String>();
  EXPECT_TRUE(s) << "not a String, VarType " << static_cast<int>(v.type());
  return s ? *s : String();
}

class ConformanceTest : public test::DatabaseTest {
 protected:
  void makeStaff() {
    createTable(u"社員", u"社員番号 char(3), 氏名 varchar(20), 年齢 integer");
    connection().Execute(u"insert into 社員 values ('001', '山田太郎', 40)");
    connection().Execute(u"insert into 社員 values ('002', '佐藤花子', 35)");
    connection().Execute(u"insert into 社員 values ('003', '鈴木一郎', null)");
  }

  std::unique_ptr<Resultset> staff(std::int32_t type) {
    return connection().OpenResultset(u"select 社員番号, 氏名 from 社員 order by 社員番号", type);
  }
};

TEST_P(ConformanceTest, ReportsTypesAndDeclaredSizes) {
  String longText = isOdbc() ? u"text" : u"clob";
  createTable(u"types", u"c char(3), v varchar(10), l " + longText +
                            u", i integer, n numeric(7,2), d double precision");
  connection().Execute(u"insert into types values ('ab', 'xyz', 'long', 42, 12.5, 0.25)");
  auto rs = connection().OpenResultset(u"select * from types");
  auto& cols = rs->rdoColumns();
  ASSERT_EQ(cols.Count(), 6);
  EXPECT_EQ(cols[0].Type(), coltype::Char);
  EXPECT_EQ(cols[0].Size(), 3);
  EXPECT_EQ(cols[1].Type(), coltype::VarChar);
  EXPECT_EQ(cols[1].Size(), 10);
  EXPECT_EQ(cols[2].Type(), coltype::LongVarChar);
  EXPECT_EQ(cols[3].Type(), coltype::Integer);
  EXPECT_EQ(cols[4].Type(), coltype::Numeric);
  EXPECT_EQ(cols[4].Size(), 7);
  EXPECT_FALSE(coltype::isText(cols[5].Type()));
  EXPECT_EQ(cols[0].Name(), u"c");

  // char pads on some databases and not on others; the text itself is what counts.
  EXPECT_EQ(text(cols[0].Value()).substr(0, 2), u"ab");
  EXPECT_EQ(text(cols[1].Value()), u"xyz");
  EXPECT_EQ(text(cols[2].Value()), u"long");
  EXPECT_EQ(cols[3].Value(), Variant::Long(42));
  EXPECT_EQ(number(cols[4].Value()), 12.5);
  EXPECT_EQ(cols[5].Value(), Variant(0.25));
}

TEST_P(ConformanceTest, NullsComeBackAsNull) {
  createTable(u"n", u"a varchar(5), b integer");
  connection().Execute(u"insert into n values (null, null)");
  auto rs = connection().OpenResultset(u"select a, b from n", rdo::Keyset);
  EXPECT_TRUE(rs->rdoColumns()[0].Value().isNull());
  EXPECT_TRUE(rs->rdoColumns()[1].Value().isNull());
}

TEST_P(ConformanceTest, LongTextComesBackWhole) {
  createTable(u"memo", u"body " + String(isOdbc() ? u"text" : u"clob"));
  String body(5000, u'漢');
  body += u"終";
  connection().Execute(u"insert into memo values ('" + body + u"')");
  auto rs = connection().OpenResultset(u"select body from memo");
  EXPECT_EQ(rs->rdoColumns()[0].Value(), Variant(body));
}

TEST_P(ConformanceTest, JapaneseIdentifiersAndTextPassIntact) {
  makeStaff();
  auto rs =
      connection().OpenResultset(u"select 氏名 from 社員 where 社員番号 = '001'", rdo::Keyset);
  ASSERT_FALSE(rs->IsEOF());
  EXPECT_EQ(rs->rdoColumns()[0].Name(), u"氏名");
  EXPECT_EQ(rs->rdoColumns()[u"氏名"].Value(), Variant(u"山田太郎"));
}

TEST_P(ConformanceTest, WalksRowsAndFlagsBothEnds) {
  makeStaff();
  for (auto type : {rdo::Static, rdo::Keyset}) {
    SCOPED_TRACE(type);
    auto rs = staff(type);
    EXPECT_FALSE(rs->IsBOF());
    std::vector<String> names;
    for (; !rs->IsEOF(); rs->MoveNext()) names.push_back(text(rs->rdoColumns()[1].Value()));
    EXPECT_EQ(names, (std::vector<String>{u"山田太郎", u"佐藤花子", u"鈴木一郎"}));
    EXPECT_FALSE(rs->IsBOF());
    EXPECT_THROW(rs->MoveNext(), DatabaseError);
    EXPECT_THROW(rs->rdoColumns()[0].Value(), DatabaseError);
    EXPECT_EQ(rs->rdoColumns().Count(), 2);  // the columns outlive the rows

    auto none = connection().OpenResultset(u"select 氏名 from 社員 where 社員番号 = 'x'", type);
    EXPECT_TRUE(none->IsEOF());
    EXPECT_TRUE(none->IsBOF());
    EXPECT_EQ(none->rdoColumns()[0].Name(), u"氏名");
  }
}

TEST_P(ConformanceTest, FindsColumnsByPositionAndByNameOnly) {
  makeStaff();
  auto rs = connection().OpenResultset(u"select 年齢 as Age, 氏名 from 社員", rdo::Keyset);
  EXPECT_EQ(number(rs->rdoColumns()[u"AGE"].Value()), 40);
  EXPECT_EQ(&rs->rdoColumns()[u"age"], &rs->rdoColumns()[0]);
  EXPECT_THROW(rs->rdoColumns()[2], DatabaseError);
  EXPECT_THROW(rs->rdoColumns()[-1], DatabaseError);
  EXPECT_THROW(rs->rdoColumns()[u"氏"], DatabaseError);
}

TEST_P(ConformanceTest, CommitsAndRollsBack) {
  createTable(u"t", u"a integer");
  auto& cn = connection();
  cn.BeginTrans();
  cn.Execute(u"insert into t values (1)");
  cn.RollbackTrans();
  cn.BeginTrans();
  cn.Execute(u"insert into t values (2)");
  cn.CommitTrans();
  auto rs = cn.OpenResultset(u"select a from t");
  ASSERT_FALSE(rs->IsEOF());
  EXPECT_EQ(number(rs->rdoColumns()[0].Value()), 2);
  rs->MoveNext();
  EXPECT_TRUE(rs->IsEOF());
  // With no transaction open there is nothing to end, and that is no failure.
  EXPECT_NO_THROW(cn.CommitTrans());
  EXPECT_NO_THROW(cn.RollbackTrans());
}

TEST_P(ConformanceTest, FailuresCarryNumberAndDescription) {
  auto expectFailure = [](auto operation) {
    try {
      operation();
      ADD_FAILURE() << "no error raised";
    } catch (const DatabaseError& e) {
      EXPECT_NE(e.number(), 0);
      EXPECT_FALSE(e.description().empty());
    }
  };
  auto& cn = connection();
  expectFailure([&] { cn.Execute(u"insert into no_such_table values (1)"); });
  expectFailure([&] { cn.OpenResultset(u"select * from no_such_table"); });
  expectFailure([&] { cn.OpenResultset(u"select 1", 7); });
  expectFailure([&] {
    auto query = cn.CreateQuery(u"select * from no_such_table where a = ?");
    query->SetParameter(0, 1);
    query->OpenResultset();
  });
  // The connection is still good after a failure.
  EXPECT_FALSE(cn.OpenResultset(u"select 1")->IsEOF());
}

TEST_P(ConformanceTest, RequerySeesNewParameterValuesAndNewRows) {
  makeStaff();
  auto query = connection().CreateQuery(u"select 氏名 from 社員 where 社員番号 = ?");
  query->SetParameter(0, u"001");
  auto rs = query->OpenResultset();
  EXPECT_EQ(rs->rdoColumns()[0].Value(), Variant(u"山田太郎"));

  query->SetParameter(0, u"002");
  rs->Requery();
  EXPECT_EQ(rs->rdoColumns()[0].Value(), Variant(u"佐藤花子"));

  query->SetParameter(0, u"004");
  rs->Requery();
  EXPECT_TRUE(rs->IsEOF());
  connection().Execute(u"insert into 社員 values ('004', '高橋', 20)");
  rs->Requery();
  ASSERT_FALSE(rs->IsEOF());
  EXPECT_EQ(rs->rdoColumns()[0].Value(), Variant(u"高橋"));

  EXPECT_THROW(query->SetParameter(1, u"x"), DatabaseError);

  auto byAge = connection().CreateQuery(u"select count(*) from 社員 where 年齢 > ?");
  byAge->SetParameter(0, Variant::Long(30));
  EXPECT_EQ(number(byAge->OpenResultset()->rdoColumns()[0].Value()), 2);
  byAge->SetParameter(0, 36.0);
  EXPECT_EQ(number(byAge->OpenResultset()->rdoColumns()[0].Value()), 1);
  byAge->SetParameter(0, Variant::Null());
  EXPECT_EQ(number(byAge->OpenResultset()->rdoColumns()[0].Value()), 0);
}

TEST_P(ConformanceTest, BookmarksReturnToTheirRow) {
  makeStaff();
  for (auto type : {rdo::Static, rdo::Keyset}) {
    SCOPED_TRACE(type);
    auto rs = staff(type);
    rs->MoveNext();
    Variant second = rs->Bookmark();
    rs->MoveNext();
    rs->MoveNext();
    ASSERT_TRUE(rs->IsEOF());
    EXPECT_THROW(rs->Bookmark(), DatabaseError);
    rs->SetBookmark(second);
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->rdoColumns()[0].Value(), Variant(u"002"));
    rs->MoveNext();
    EXPECT_EQ(rs->rdoColumns()[0].Value(), Variant(u"003"));
    EXPECT_THROW(rs->SetBookmark(Variant::Long(99)), DatabaseError);
    EXPECT_THROW(rs->SetBookmark(Variant(u"x")), DatabaseError);
  }
}

TEST_P(ConformanceTest, ClosedResultsetRefusesEverything) {
  auto rs = connection().OpenResultset(u"select 1");
  rs->Close();
  EXPECT_THROW(rs->IsEOF(), DatabaseError);
  EXPECT_THROW(rs->Requery(), DatabaseError);
  EXPECT_NO_THROW(rs->Close());
}

INSTANTIATE_TEST_SUITE_P(Backends, ConformanceTest, test::backends(), test::backendName);

TEST(OpenConnection, RefusesUnknownAndIncompleteUris) {
  EXPECT_THROW(openConnection("mysql:x"), DatabaseError);
  EXPECT_THROW(openConnection("sqlite:"), DatabaseError);
  EXPECT_THROW(openConnection("sqlite:;name=x"), DatabaseError);
  EXPECT_THROW(openConnection("odbc:"), DatabaseError);
  EXPECT_THROW(openConnection("sqlite:/no/such/dir/x.db"), DatabaseError);
}

TEST(OpenConnection, NamesSqliteConnectionsAfterTheFileOrTheUri) {
  EXPECT_EQ(openConnection("sqlite::memory:")->Name(), u"memory");
  EXPECT_EQ(openConnection("sqlite::memory:;name=Sales_LOCAL")->Name(), u"Sales_LOCAL");
  std::string base = "sales" + std::to_string(::getpid()) + ".v2";
  std::string path = ::testing::TempDir() + base + ".db";
  EXPECT_EQ(openConnection("sqlite:" + path)->Name(), String(base.begin(), base.end()));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace zuvo
