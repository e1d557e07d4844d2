#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/BatchRun.h"
#include "convert/TempDir.h"
#include "database/Database.h"
#include "jef/JefHome.h"

namespace {

using Outcome = zuvo::test::BatchOutcome;
using Args = std::vector<std::string>;

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
    cn = zuvo::openConnection("sqlite:" + db);
    cn->Execute(u"create table t (name varchar(10), amount numeric, code varchar(8))");
    cn->Execute(u"insert into t values ('山田', -12.5, 'A-1'), ('ｶﾅ', 7, 'B')");
    cn->Execute(u"create table back as select * from t where 0");
  }
  Outcome run(Args args, bool database = true,
              const std::optional<std::string>& input = std::nullopt) {
    args.insert(args.end(), {"--home", dir.file(""), "--quiet"});
    if (database) args.insert(args.end(), {"--db", db});
    return zuvo::test::runBatchCommand(std::move(args), input);
  }
  Outcome convert(Args args, const std::optional<std::string>& input = std::nullopt) {
    args.insert(args.begin(), "convert");
    args.insert(args.end(), {"--fds", fds});
    return run(args, false, input);
  }
  std::int32_t loaded() {
    auto rs = cn->OpenResultset(u"select count(*) from back");
    return *rs->rdoColumns()[0].Value().get<std::int32_t>();
  }

  TempDir dir;
  std::string db;
  std::unique_ptr<zuvo::Connection> cn;
  const std::string fds = "k__0010 p2_0007 x__0008";
};

TEST_F(BatchJefTest, TableToJefToCsvAndBack) {
  EXPECT_EQ(
      run({"export", "jef", dir.file("t.jef"), "--sql", "select * from t", "--fds", fds}).status,
      0);
  EXPECT_EQ(dir.read("t.jef").size(), 2u * 22);
  EXPECT_EQ(convert({"jef-to-csv", dir.file("t.jef"), dir.file("t.csv")}).status, 0);
  EXPECT_EQ(dir.read("t.csd"), "ss,n2,ss\r\n");
  EXPECT_EQ(convert({"csv-to-jef", dir.file("t.csv"), dir.file("u.jef")}).status, 0);
  EXPECT_EQ(dir.read("u.jef"), dir.read("t.jef"));
  EXPECT_EQ(run({"import", "jef", dir.file("u.jef"), "--table", "back", "--fds", fds}).status, 0);
  auto rs = cn->OpenResultset(u"select count(*) from back where name like '%山田%' or code = 'B'");
  EXPECT_EQ(rs->rdoColumns()[0].Value(), zuvo::Variant::Long(2));

  // Either side of a conversion may be a standard stream.
  Outcome piped = convert({"csv-to-jef", "-", "-"}, dir.read("t.csv"));
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, dir.read("t.jef"));
  piped = convert({"jef-to-csv", "-", "-"}, dir.read("t.jef"));
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, dir.read("t.csv"));
}

TEST_F(BatchJefTest, FailuresAreToldAndNothingIsLeft) {
  ASSERT_EQ(
      run({"export", "jef", dir.file("t.jef"), "--sql", "select * from t", "--fds", fds}).status,
      0);
  dir.write("utf8.csv", "山田,1,A\r\n");
  struct Case {
    Args args;
    int status;
    std::string expected;
  };
  const Args exportJef{"export", "jef", "/dev/full", "--sql", "select * from t", "--fds", fds};
  for (const Case& c : std::vector<Case>{
           {exportJef, 1, "No space left on device"},
           {{"convert", "csv-to-jef", dir.file("utf8.csv"), "/dev/full", "--fds", fds, "--encoding",
             "utf-8"},
            1,
            "No space left on device"},
           {{"convert", "jef-to-csv", dir.file("t.jef"), "/dev/full", "--fds", fds},
            1,
            "No space left on device"},
           {{"convert", "csv-to-jef", dir.file("none.csv"), dir.file("x.jef"), "--fds", fds},
            1,
            "No such file or directory"},
           {{"convert", "csv-to-jef", dir.file("utf8.csv"), dir.file("x.jef"), "--fds", fds},
            1,
            "looks like UTF-8: give --encoding utf-8"},
           {{"convert", "sideways", "a", "b", "--fds", fds}, 2, "sideways"},
           {{"convert", "jef-to-csv", dir.file("t.jef"), dir.file("x.csv"), "--fds", fds, "--bln",
             "-1"},
            2,
            "--bln"},
           {{"import", "jef", dir.file("t.jef"), "--table", "back", "--fds", fds, "--bln", "-2"},
            2,
            "--bln"},
           {{"import", "jef", dir.file("t.jef"), "--table", "back", "--fds", "x__0001"},
            1,
            "3 columns of back"},
           {{"export", "jef", dir.file("x.jef"), "--sql", "select * from t", "--fds", "x__0001"},
            1,
            "--fds has 1 field for the 3 columns of the query"},
       }) {
    SCOPED_TRACE(c.expected);
    Outcome out = run(c.args, c.args[0] != "convert");
    EXPECT_EQ(out.status, c.status) << out.err;
    EXPECT_NE(out.err.find(c.expected), std::string::npos) << out.err;
  }
  EXPECT_FALSE(dir.exists("x.jef"));
  EXPECT_FALSE(dir.exists("x.csv"));
  EXPECT_EQ(loaded(), 0);

  // Without the conversion table nothing is loaded or written, whatever the job.
  std::filesystem::remove(dir.file("sjisjef.tbl"));
  for (const Args& args : std::vector<Args>{
           {"import", "jef", dir.file("t.jef"), "--table", "back", "--fds", fds},
           {"export", "jef", dir.file("x.jef"), "--sql", "select * from t", "--fds", fds},
           {"convert", "jef-to-csv", dir.file("t.jef"), dir.file("x.csv"), "--fds", fds},
           {"convert", "csv-to-jef", dir.file("t.csd"), dir.file("x.jef"), "--fds", fds}}) {
    Outcome out = run(args, args[0] != "convert");
    EXPECT_EQ(out.status, 1) << args[0];
    EXPECT_NE(out.err.find("sjisjef.tbl"), std::string::npos) << out.err;
  }
  EXPECT_FALSE(dir.exists("x.jef"));
  EXPECT_FALSE(dir.exists("x.csv"));
  EXPECT_EQ(loaded(), 0);
}

}  // namespace
