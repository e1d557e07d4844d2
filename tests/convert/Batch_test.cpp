
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BatchRun.h"
#include "TempDir.h"
#include "database/Database.h"

namespace {

using Outcome = zuvo::test::BatchOutcome;

Outcome batch(std::vector<std::string> args) {
  return zuvo::test::runBatchCommand(std::move(args));
}

class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db = dir.file("sales.db");
    cn = zuvo::openConnection("sqlite:" + db);
    cn->Execute(u"create table 顧客 (code varchar(6), name varchar(20), amount real)");
    cn->Execute(u"insert into 顧客 values ('A001', '山田商店', 1200.5), ('A002', 'ｶﾅ商会', -3)");
    cn->Execute(u"create table copy (code varchar(6), name varchar(20), amount real)");
    dir.write("zuvodll.ini", "tranmax=1000\r\n");
  }
  std::vector<std::string> common() { return {"--db", db, "--home", dir.file(""), "--quiet"}; }
  std::int64_t copied() {
    auto rs = cn->OpenResultset(
        u"select count(*) from copy c join 顧客 k on c.code = k.code and c.name = k.name and "
        u"c.amount = k.amount");
    auto n = rs->rdoColumns()[0].Value();
    return *n.get<std::int32_t>();
  }

  TempDir dir;
  std::string db;
  std::unique_ptr<zuvo::Connection> cn;
};

TEST_F(BatchTest, ExportsAndImportsCsvAndFixedFiles) {
  auto with = [&](std::vector<std::string> args) {
    auto c = common();
    args.insert(args.end(), c.begin(), c.end());
    return batch(args);
  };
  Outcome out = with({"export", "csv", dir.file("k.csv"), "--sql", "select * from 顧客"});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(out.err, "");
  out = with({"import", "csv", dir.file("k.csv"), "--table", "copy"});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(copied(), 2);

  const std::string fds = "x__0006 x__0020 n2r0010";
  out = with({"export", "fixed", dir.file("k.dat"), "--sql", "select * from 顧客", "--fds", fds});
  ASSERT_EQ(out.status, 0) << out.err;
  out = with({"import", "fixed", dir.file("k.dat"), "--table", "copy", "--fds", fds, "--bln", "36",
              "--before", "delete from copy"});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(copied(), 2);
}

TEST_F(BatchTest, FailuresExitOneWithOneLineSayingWhat) {
  auto fails = [&](std::vector<std::string> args, const std::string& expected) {
    auto c = common();
    args.insert(args.end(), c.begin(), c.end());
    Outcome out = batch(args);
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.err.find(expected), std::string::npos) << out.err;
    EXPECT_EQ(std::count(out.err.begin(), out.err.end(), '\n'), 1) << out.err;
  };
  fails({"export", "csv", dir.file("x.csv"), "--sql", "select * from nothing"}, "the query failed");
  fails({"import", "csv", dir.file("none.csv"), "--table", "copy"}, "cannot read");
  dir.write("k.csv", "\"a\",\"b\"\r\n1,2\r\n");
  fails({"import", "csv", dir.file("k.csv"), "--table", "nothing"},
        "cannot open the table nothing");
  fails({"import", "csv", dir.file("k.csv"), "--table", "copy"}, "has 2 fields for the 3 columns");
  dir.write("k.csv", "\"a\",\"b\",\"c\"\r\nA,B,1\r\nC,D,x\r\n");
  fails({"import", "csv", dir.file("k.csv"), "--table", "copy"}, "record 2 of");
  fails({"import", "csv", dir.file("k.csv"), "--table", "copy", "--before", "delete from nothing"},
        "--before");

  Outcome usage = batch({"export", "csv", dir.file("x.csv")});
  EXPECT_EQ(usage.status, 2);
  Outcome missing =
      batch({"export", "csv", dir.file("x.csv"), "--sql", "select 1", "--db", dir.file("no.db")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("no database file"), std::string::npos);
}

}  // namespace
