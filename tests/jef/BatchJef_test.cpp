#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/BatchRun.h"
#include "convert/TempDir.h"
#include "database/Database.h"
#include "jef/JefHome.h"

namespace {

using Outcome = zuvo::test::BatchOutcome;

Outcome zuvoRun(std::vector<std::string> args) {
  return zuvo::test::runBatchCommand(std::move(args));
}

class BatchJefTest : public ::testing::Test {
 protected:
  void SetUp() override {
    try {
      zuvo::ZuvoCls().MidByte(u"a", 1, 1);
    } catch (const zuvo::RuntimeError& e) {
      if (e.number() == zuvo::err::NotImplemented) GTEST_SKIP() << e.what();
    }
    std::filesystem::copy_file(zuvo::testing::JefHome::samplePath(), dir.file("sjisjef.tbl"));
    db = dir.file("sales.db");
    auto cn = zuvo::openConnection("sqlite:" + db);
    cn->Execute(u"create table t (name varchar(10), amount numeric, code varchar(8))");
    cn->Execute(u"insert into t values ('山田', -12.5, 'A-1'), ('ｶﾅ', 7, 'B')");
    cn->Execute(u"create table back as select * from t where 0");
  }
  std::vector<std::string> with(std::vector<std::string> args, bool database = true) {
    args.insert(args.end(), {"--home", dir.file(""), "--quiet"});
    if (database) args.insert(args.end(), {"--db", db});
    return args;
  }

  TempDir dir;
  std::string db;
  const std::string fds = "k__0010 p2_0007 x__0008";
};

TEST_F(BatchJefTest, TableToJefToCsvAndBack) {
  EXPECT_EQ(
      zuvoRun(with({"export", "jef", dir.file("t.jef"), "--sql", "select * from t", "--fds", fds}))
          .status,
      0);
  EXPECT_EQ(dir.read("t.jef").size(), 2u * 22);
  EXPECT_EQ(
      zuvoRun(with({"convert", "jef-to-csv", dir.file("t.jef"), dir.file("t.csv"), "--fds", fds},
                   false))
          .status,
      0);
  EXPECT_EQ(dir.read("t.csd"), "ss,n2,ss\r\n");
  EXPECT_EQ(
      zuvoRun(with({"convert", "csv-to-jef", dir.file("t.csv"), dir.file("u.jef"), "--fds", fds},
                   false))
          .status,
      0);
  EXPECT_EQ(dir.read("u.jef"), dir.read("t.jef"));
  EXPECT_EQ(
      zuvoRun(with({"import", "jef", dir.file("u.jef"), "--table", "back", "--fds", fds})).status,
      0);
  auto cn = zuvo::openConnection("sqlite:" + db);
  auto rs = cn->OpenResultset(u"select count(*) from back where name like '%山田%' or code = 'B'");
  EXPECT_EQ(rs->rdoColumns()[0].Value(), zuvo::Variant::Long(2));
}

TEST_F(BatchJefTest, FailuresAreExplained) {
  Outcome missing = zuvoRun(with(
      {"convert", "csv-to-jef", dir.file("none.csv"), dir.file("x.jef"), "--fds", fds}, false));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;
  EXPECT_EQ(zuvoRun(with({"convert", "sideways", "a", "b", "--fds", fds}, false)).status, 2);
  Outcome mismatch =
      zuvoRun(with({"import", "jef", dir.file("t.csv"), "--table", "back", "--fds", "x__0001"}));
  EXPECT_EQ(mismatch.status, 1);
}

}  // namespace
