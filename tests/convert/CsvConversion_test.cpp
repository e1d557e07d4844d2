#include <gtest/gtest.h>

#include "ConvertFixture.h"
#include "database/TestDatabases.h"

using Rows = std::vector<std::vector<std::u16string>>;

class CsvExportTest : public ConvertTest {
 protected:
  void SetUp() override {
    ConvertTest::SetUp();
    exec(u"create table 売上 (名前 varchar(10), 金額 integer)");
    exec(u"insert into 売上 values ('山田  ', 100)");
    exec(u"insert into 売上 values (null, null)");
  }
};

TEST_F(CsvExportTest, WritesHeaderQuotedLinesAndColumnTypes) {
  auto& z = component();
  EXPECT_EQ(z.CnvCSVFile(*cn, u"select * from 売上", dir.name("out.csv"), false), 2);
  EXPECT_EQ(dir.read("out.csv"), sjis(u"\"名前\",\"金額\"\r\n\"山田\",\"100\"\r\n\"\",\"\"\r\n"));
  EXPECT_EQ(dir.read("out.csd"), "ss,nn\r\n");
  EXPECT_EQ(z.GetCnvCount(), 2);
}

TEST_F(CsvExportTest, AppendsWithoutHeaderAndStillReplacesColumnTypes) {
  auto& z = component();
  dir.write("out.csv", "old\r\n");
  dir.write("out.csd", "xx,xx,xx\r\n");
  EXPECT_EQ(z.CnvCSVFile(*cn, u"select 名前 from 売上 where 金額 = 100", dir.name("out.csv"), true),
            1);
  EXPECT_EQ(dir.read("out.csv"), sjis(u"old\r\n\"山田\"\r\n"));
  EXPECT_EQ(dir.read("out.csd"), "ss\r\n");
}

TEST_F(CsvExportTest, NoRowsNoDotAndBadQuery) {
  auto& z = component();
  ASSERT_EQ(z.CnvCSVFile(*cn, u"select * from 売上", dir.name("first.csv"), false), 2);
  // No row: only the header, and the conversion count keeps the earlier run's value.
  EXPECT_EQ(z.CnvCSVFile(*cn, u"select * from 売上 where 1=0", dir.name("noext"), false), 0);
  EXPECT_EQ(dir.read("noext"), sjis(u"\"名前\",\"金額\"\r\n"));
  EXPECT_FALSE(dir.exists("noext.csd"));
  EXPECT_FALSE(dir.exists("csd"));
  EXPECT_EQ(z.GetCnvCount(), 2);
  // A query that fails touches no file; a file that can't be written fails after the query.
  EXPECT_EQ(z.CnvCSVFile(*cn, u"select * from nothing", dir.name("bad.csv"), false), -1);
  EXPECT_FALSE(dir.exists("bad.csv"));
  EXPECT_EQ(z.CnvCSVFile(*cn, u"select * from 売上", dir.name("no/such/dir.csv"), false), -1);
}

TEST_F(ConvertTest, CsvExportYieldsEveryThousandRowsAfterStoringTheCount) {
  exec(u"create table n (v integer)");
  exec(
      u"with recursive c(i) as (select 1 union all select i+1 from c where i < 2500) "
      u"insert into n select i from c");
  auto& z = component();
  EXPECT_EQ(z.CnvCSVFile(*cn, u"select v from n", dir.name("n.csv"), false), 2500);
  EXPECT_EQ(pump->seen, (std::vector<std::int32_t>{1000, 2000}));
}

class CsvImportTest : public ConvertTest {
 protected:
  void SetUp() override {
    ConvertTest::SetUp();
    exec(u"create table t (code varchar(4), name varchar(20), amount integer)");
  }
  std::int32_t load(zuvo::ZuvoCls& z, const std::string& body, const std::u16string& sql = u"") {
    dir.write("in.csv", sjis(u"\"code\",\"name\",\"amount\"\r\n") + body);
    return z.SetRDB(*cn, sql, dir.name("in.csv"), u"t");
  }
};

TEST_F(CsvImportTest, CutsAndCleansTextAndLoadsRecordsSpreadOverLines) {
  auto& z = component();
  std::string body = sjis(u"\"あいう\",\"O'Neil, Ltd\",\"5\"\r\n") + "\"ab\",\"x\"\r\n7\r\n" +
                     "  cd  , \"y\" ,  -8  \r\n";
  EXPECT_EQ(load(z, body), 3);
  EXPECT_EQ(rows(u"select * from t"),
            (Rows{{u"あい", u"O Neil  Ltd", u"5"}, {u"ab", u"x", u"7"}, {u"cd", u"y", u"-8"}}));
  EXPECT_EQ(z.GetCnvCount(), 3);
}

TEST_F(CsvImportTest, BeforeStatementBlankTableAndHeaderOnly) {
  exec(u"insert into t values ('a', 'b', 1)");
  auto& z = component();
  // A blank table name still runs and commits the statement before the load.
  EXPECT_EQ(z.SetRDB(*cn, u"delete from t", dir.name("in.csv"), u"  "), 0);
  EXPECT_EQ(countRows(u"t"), 0);
  EXPECT_EQ(load(z, ""), 0);
  dir.write("empty.csv", "");
  EXPECT_EQ(z.SetRDB(*cn, u"", dir.name("empty.csv"), u"t"), 0);
  EXPECT_EQ(z.SetRDB(*cn, u"delete from nothing", dir.name("in.csv"), u"t"), -1);
}

TEST_F(CsvImportTest, RefusesAHeaderThatDoesNotMatchTheTable) {
  auto& z = component();
  dir.write("in.csv", "\"a\",\"b\"\r\n\"1\",\"2\"\r\n");
  EXPECT_EQ(z.SetRDB(*cn, u"", dir.name("in.csv"), u"t"), -1);
  dir.write("in.csv", "\"a\",\"b\",\"c\",\"d\"\r\n\"1\",\"2\",\"3\",\"4\"\r\n");
  EXPECT_EQ(z.SetRDB(*cn, u"", dir.name("in.csv"), u"t"), -1);
  EXPECT_EQ(countRows(u"t"), 0);
}

TEST_F(CsvImportTest, FailureRollsBackOnlyTheOpenTransaction) {
  auto& z = component(2);
  // Row 5 has a text in the number column: rows 1 to 4 were committed in pairs and stay.
  EXPECT_EQ(load(z, "a,x,1\r\nb,x,2\r\nc,x,3\r\nd,x,4\r\ne,x,five\r\n"), -1);
  EXPECT_EQ(countRows(u"t"), 4);
  exec(u"delete from t");
  // Row 3 fails: only the first pair stays, and the status names the record and field.
  EXPECT_EQ(load(z, "a,x,1\r\nb,x,2\r\nc,x,3x\r\nd,x,4\r\n"), -1);
  EXPECT_EQ(countRows(u"t"), 2);
  const zuvo::Status& why = z.lastConversion().status;
  EXPECT_EQ(why.code(), zuvo::Status::Code::Value);
  EXPECT_EQ(why.record(), 3);
  EXPECT_EQ(why.field(), 3);
  EXPECT_NE(why.message().find("(\"3x\") is not a number"), std::string::npos) << why.message();
}

TEST_F(CsvImportTest, NumberFieldsCannotCarrySql) {
  exec(u"create table victim (v integer)");
  auto& z = component();
  EXPECT_EQ(load(z, "a,x,1\r\nb,x,1); drop table victim; --\r\n"), -1);
  EXPECT_EQ(countRows(u"t"), 0);
  EXPECT_EQ(countRows(u"victim"), 0);  // still there
  EXPECT_EQ(load(z, "a,x,(select 1)\r\n"), -1);
  EXPECT_EQ(z.SetRDB(*cn, u"", dir.name("in.csv"), u"t; drop table victim"), -1);
  EXPECT_EQ(countRows(u"victim"), 0);
}

TEST_F(CsvImportTest, IntervalOfZeroCommitsOnlyAtTheEnd) {
  auto& z = component(0);
  EXPECT_EQ(load(z, "a,x,1\r\nb,x,2\r\n"), 2);
  EXPECT_EQ(countRows(u"t"), 2);
  exec(u"delete from t");
  EXPECT_EQ(load(z, "a,x,1\r\nb,x,2\r\nc,x,bad\r\n"), -1);
  EXPECT_EQ(countRows(u"t"), 0);
}

TEST_F(ConvertTest, CsvImportRefusesTablesWiderThanItsColumnTables) {
  std::u16string create = u"create table wide (c0 integer";
  std::string header = "\"c0\"", record = "1";
  for (int i = 1; i < 300; ++i) {
    std::string n = std::to_string(i);
    create += u", c" + std::u16string(n.begin(), n.end()) + u" integer";
    header += ",\"c" + n + "\"";
    record += ",1";
  }
  exec(create + u")");
  dir.write("wide.csv", header + "\r\n" + record + "\r\n");
  auto& z = component();
  EXPECT_EQ(z.SetRDB(*cn, u"", dir.name("wide.csv"), u"wide"), -1);
  EXPECT_EQ(countRows(u"wide"), 0);
}

TEST_F(CsvImportTest, BadInputFailsAndKeepsWhatWasCommitted) {
  auto& z = component(2);
  EXPECT_EQ(z.SetRDB(*cn, u"", dir.name("missing.csv"), u"t"), -1);
  EXPECT_EQ(load(z, "a,x,1\r\n"), 1);
  dir.write("in.csv", "\"code\",\"name\",\"amount\"\r\na,x,1\r\n");
  EXPECT_EQ(z.SetRDB(*cn, u"", dir.name("in.csv"), u"nothing"), -1);
  // Invalid Shift-JIS bytes in row 3 become the substitute and are counted.
  EXPECT_EQ(load(z, "b,x,2\r\nc,x,3\r\nd,\x85\x40,4\r\n"), 3);
  EXPECT_EQ(countRows(u"t"), 4);
  EXPECT_EQ(z.lastConversion().substituted.count, 1);
  EXPECT_EQ(z.lastConversion().substituted.firstRecord, 3);
  EXPECT_EQ(z.lastConversion().substituted.firstField, 2);
  // The file ends inside row 3.
  EXPECT_EQ(load(z, "e,x,5\r\nf,x,6\r\ng,x"), -1);
  EXPECT_EQ(countRows(u"t"), 6);
  EXPECT_EQ(z.lastConversion().status.code(), zuvo::Status::Code::ReadFile);
  EXPECT_EQ(z.GetCntCSV(dir.name("missing.csv")), 0);
}

TEST_F(ConvertTest, CsvRoundTripKeepsEveryValue) {
  exec(
      u"create table src (code varchar(8), name varchar(40), note text, qty integer, "
      u"price real, amount numeric(12,2), day varchar(10))");
  const char16_t* names[] = {u"山田太郎", u"ｶﾀｶﾅ", u"髙橋　一", u"O`Neil", u"①②", u"Ａ－１"};
  auto u16 = [](const std::string& s) { return std::u16string(s.begin(), s.end()); };
  for (int i = 0; i < 500; ++i) {
    std::u16string id = u16(std::to_string(i));
    std::u16string name = names[i % 6];
    char day[16];
    std::snprintf(day, sizeof day, "2024.01.%02d", i % 28 + 1);
    exec(u"insert into src values ('K" + id + u"', '" + name + id + u"', '備考" + id + u"', " + id +
         u", " + id + u".25, " + id + u"." + id.substr(0, 1) + u", '" + u16(day) + u"')");
  }
  exec(u"create table dst as select * from src where 0");
  auto& z = component(64);
  ASSERT_EQ(z.CnvCSVFile(*cn, u"select * from src", dir.name("rt.csv"), false), 500);
  EXPECT_EQ(z.SetRDB(*cn, u"delete from dst", dir.name("rt.csv"), u"dst"), 500);
  EXPECT_EQ(rows(u"select * from dst"), rows(u"select * from src"));
}

class CsvBackendTest : public zuvo::test::DatabaseTest {};

TEST_P(CsvBackendTest, RoundTripKeepsEveryValue) {
  auto& cn = connection();
  createTable(u"src",
              u"code varchar(8), name varchar(40), qty integer, amount numeric(12,2), "
              u"day varchar(10)");
  createTable(u"dst",
              u"code varchar(8), name varchar(40), qty integer, amount numeric(12,2), "
              u"day varchar(10)");
  const char16_t* names[] = {u"山田太郎", u"ｶﾀｶﾅ商会", u"髙橋　一", u"Ａ－１", u"①②"};
  for (int i = 0; i < 200; ++i) {
    std::string n = std::to_string(i);
    std::u16string id(n.begin(), n.end());
    cn.Execute(u"insert into src values ('K" + id + u"', '" + names[i % 5] + u"', " + id + u", -" +
               id + u".5, '2024.01.02')");
  }
  TempDir dir;
  zuvo::ZuvoCls z;
  ASSERT_EQ(z.CnvCSVFile(cn, u"select * from src order by code", dir.name("rt.csv"), false), 200);
  EXPECT_EQ(z.SetRDB(cn, u"delete from dst", dir.name("rt.csv"), u"dst"), 200);
  auto all = [&](const std::u16string& table) {
    std::vector<std::u16string> out;
    auto rs = cn.OpenResultset(u"select * from " + table + u" order by code");
    for (; !rs->IsEOF(); rs->MoveNext())
      for (std::int32_t i = 0; i < rs->rdoColumns().Count(); ++i)
        out.push_back(zuvo::convert::columnText(rs->rdoColumns()[i].Value()));
    return out;
  };
  EXPECT_EQ(all(u"dst"), all(u"src"));
  EXPECT_EQ(all(u"dst").size(), 1000u);
}

INSTANTIATE_TEST_SUITE_P(Backends, CsvBackendTest, zuvo::test::backends(), zuvo::test::backendName);
