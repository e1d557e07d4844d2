#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "TempDir.h"
#include "database/Database.h"
#include "database/TestDatabases.h"
#include "runtime/Convert.h"

namespace {

using Outcome = zuvo::test::BatchOutcome;
using Args = std::vector<std::string>;

const std::string kSelect = "select * from 顧客";
const std::string kFds = "x__0006 x__0020 n2r0010";
// Rows 1 to 2999 of which the 1500th fails while it is read: an export that stops half-way.
const std::string kFailsHalfWay =
    "with recursive n(i) as (select 1 union all select i + 1 from n where i < 2999) "
    "select i, case when i < 1500 then 'a' else abs(-9223372036854775807 - 1) end from n";

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
  Outcome run(Args args, const std::optional<std::string>& input = std::nullopt) {
    args.insert(args.end(), {"--db", db, "--home", dir.file(""), "--quiet"});
    return zuvo::test::runBatchCommand(std::move(args), input);
  }
  std::int64_t rows(const std::u16string& where = u"") {
    auto rs = cn->OpenResultset(u"select count(*) from copy " + where);
    return *rs->rdoColumns()[0].Value().get<std::int32_t>();
  }
  std::int64_t copied() {
    return rows(u"c join 顧客 k on c.code = k.code and c.name = k.name and c.amount = k.amount");
  }
  // The names in the folder, sorted; the database and the settings left out.
  std::vector<std::string> listing(const std::string& folder = "") {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.file(folder))) {
      std::string name = e.path().filename().string();
      if (name.rfind("sales.db", 0) != 0 && name != "zuvodll.ini") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  void expectFailure(const Outcome& out, int status, const std::string& expected) {
    EXPECT_EQ(out.status, status) << out.err;
    EXPECT_NE(out.err.find(expected), std::string::npos) << out.err;
    EXPECT_EQ(std::count(out.err.begin(), out.err.end(), '\n'), 1) << out.err;
    EXPECT_EQ(out.err.find("~zuvo"), std::string::npos) << out.err;
  }

  TempDir dir;
  std::string db;
  std::unique_ptr<zuvo::Connection> cn;
};

TEST_F(BatchTest, ExportsAndImportsCsvAndFixedFiles) {
  Outcome out = run({"export", "csv", dir.file("k.csv"), "--sql", kSelect});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(out.err, "");
  EXPECT_EQ(listing(), (std::vector<std::string>{"k.csd", "k.csv"}));
  out = run({"import", "csv", dir.file("k.csv"), "--table", "copy"});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(copied(), 2);

  out = run({"export", "fixed", dir.file("k.dat"), "--sql", kSelect, "--fds", kFds});
  ASSERT_EQ(out.status, 0) << out.err;
  out = run({"import", "fixed", dir.file("k.dat"), "--table", "copy", "--fds", kFds, "--bln", "36",
             "--before", "delete from copy"});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(copied(), 2);
}

TEST_F(BatchTest, FailuresTellWhatTheLibraryFound) {
  dir.write("two.csv", "\"a\",\"b\"\r\n1,2\r\n");
  dir.write("bad.csv", "\"a\",\"b\",\"c\"\r\nA,B,1\r\nC,D,x\r\n");
  dir.write("long.csv", std::string(40000, 'a') + "\r\n1\r\n");
  std::filesystem::create_directory(dir.file("folder"));
  const std::string two = dir.file("two.csv"), bad = dir.file("bad.csv");
  struct Case {
    Args args;
    std::string expected;
  };
  for (const Case& c : std::vector<Case>{
           {{"export", "csv", dir.file("x.csv"), "--sql", "select * from absent"},
            "no such table: absent"},
           {{"import", "csv", dir.file("none.csv"), "--table", "copy"},
            "No such file or directory"},
           {{"import", "csv", two, "--table", "absent"},
            "cannot open the table absent: no such table: absent"},
           {{"import", "csv", two, "--table", "copy"},
            "the header of " + two + " has 2 fields for the 3 columns of copy"},
           {{"import", "csv", bad, "--table", "copy"}, "record 2 of " + bad},
           {{"import", "csv", bad, "--table", "copy", "--before", "delete from absent"},
            "no such table: absent"},
           {{"import", "csv", dir.file("long.csv"), "--table", "copy"},
            "longer than 32767 characters"},
           {{"export", "csv", dir.file("folder"), "--sql", kSelect}, "Is a directory"},
           {{"export", "csv", "/dev/full", "--sql", kSelect}, "No space left on device"},
           {{"export", "fixed", "/dev/full", "--sql", kSelect, "--fds", kFds},
            "No space left on device"},
       }) {
    SCOPED_TRACE(c.args[0] + " " + c.args[2]);
    expectFailure(run(c.args), 1, c.expected);
  }
  EXPECT_EQ(rows(), 0);
  EXPECT_EQ(listing(), (std::vector<std::string>{"bad.csv", "folder", "long.csv", "two.csv"}));
}

TEST_F(BatchTest, LockedAndReadOnlyDatabasesAndUnreadableFiles) {
  dir.write("k.csv", "\"a\",\"b\",\"c\"\r\nA,B,1\r\n");
  auto other = zuvo::openConnection("sqlite:" + db);
  other->BeginTrans();
  other->Execute(u"insert into copy values ('x', 'y', 1)");
  expectFailure(run({"import", "csv", dir.file("k.csv"), "--table", "copy"}), 1,
                "database is locked");
  other->RollbackTrans();

  ::chmod(db.c_str(), 0444);
  dir.write("secret.csv", "\"a\",\"b\",\"c\"\r\nA,B,1\r\n");
  ::chmod(dir.file("secret.csv").c_str(), 0);
  zuvo::test::ChildRun nobody{true, 0, {}};
  auto inChild = [&](const std::string& file) {
    return zuvo::test::runBatchInChild({"import", "csv", dir.file(file), "--table", "copy", "--db",
                                        db, "--home", dir.file(""), "--quiet"},
                                       nobody);
  };
  expectFailure(inChild("k.csv"), 1, "attempt to write a readonly database");
  expectFailure(inChild("secret.csv"), 1, "Permission denied");
  EXPECT_EQ(rows(), 0);
}

TEST_F(BatchTest, ChecksComeBeforeAnythingIsWritten) {
  dir.write("lines.dat", std::string(72, 'a'));  // two records of 36 bytes, no line end
  struct Case {
    Args args;
    int status;
    std::string expected;
  };
  const std::string k = dir.file("k.dat");
  for (const Case& c : std::vector<Case>{
           {{"export", "fixed", k, "--sql", kSelect, "--fds", "x__0006 x__0020"},
            1,
            "--fds has 2 fields for the 3 columns of the query"},
           {{"export", "fixed", k, "--sql", "select code from 顧客", "--fds", "garbage"},
            1,
            "--fds \"garbage\" reads no field"},
           {{"export", "csv", dir.file("k.csd"), "--sql", kSelect},
            1,
            "k.csd is the name of its own column type file"},
           {{"import", "fixed", dir.file("lines.dat"), "--table", "copy", "--fds", kFds},
            1,
            "lines.dat has no line ends: give the record length from --fds (--bln 36)"},
           {{"import", "fixed", k, "--table", "copy", "--fds", kFds, "--bln", "-1"}, 2, "--bln"},
           {{"export", "fixed", k, "--sql", kSelect, "--fds", kFds, "--encoding", "utf-8"},
            2,
            "--encoding is for csv files"},
       }) {
    SCOPED_TRACE(c.expected);
    expectFailure(run(c.args), c.status, c.expected);
  }
  EXPECT_EQ(listing(), std::vector<std::string>{"lines.dat"});
  EXPECT_EQ(rows(), 0);

  // --db: a malformed URI is a usage error; a missing SQLite file is not made.
  for (auto [uri, status] :
       std::vector<std::pair<std::string, int>>{{"sqlite:", 2},
                                                {"odbc:", 2},
                                                {"nosuch:x", 2},
                                                {"sqlite:" + dir.file("none.db"), 1},
                                                {dir.file("none.db"), 1}}) {
    Outcome out = zuvo::test::runBatchCommand(
        {"export", "csv", dir.file("x.csv"), "--sql", "select 1", "--db", uri, "--quiet"});
    EXPECT_EQ(out.status, status) << uri << ": " << out.err;
  }
  EXPECT_EQ(listing(), std::vector<std::string>{"lines.dat"});
}

TEST_F(BatchTest, AnOutputAppearsWholeOrNotAtAll) {
  dir.write("k.csv", "old\r\n");
  dir.write("k.csd", "nn\r\n");
  expectFailure(run({"export", "csv", dir.file("k.csv"), "--sql", kFailsHalfWay}), 1,
                "integer overflow");
  EXPECT_EQ(dir.read("k.csv"), "old\r\n");
  EXPECT_EQ(dir.read("k.csd"), "nn\r\n");
  EXPECT_EQ(listing(), (std::vector<std::string>{"k.csd", "k.csv"}));

  // Appending writes the file itself: the lines written before the failure stay.
  expectFailure(run({"export", "csv", dir.file("k.csv"), "--sql", kFailsHalfWay, "--append"}), 1,
                "integer overflow");
  EXPECT_EQ(dir.read("k.csv").rfind("old\r\n\"1\",\"a\"\r\n", 0), 0u);

  // The column type file goes beside the file, named after the file's own name only.
  std::filesystem::create_directory(dir.file("dir.v2"));
  ASSERT_EQ(run({"export", "csv", dir.file("dir.v2/out"), "--sql", kSelect}).status, 0);
  ASSERT_EQ(run({"export", "csv", dir.file("dir.v2/o.txt"), "--sql", kSelect}).status, 0);
  EXPECT_EQ(listing("dir.v2"), (std::vector<std::string>{"o.csd", "o.txt", "out"}));
  EXPECT_EQ(listing(), (std::vector<std::string>{"dir.v2", "k.csd", "k.csv"}));
}

TEST_F(BatchTest, ChangedValuesAreToldAndStrictRefusesThem) {
  cn->Execute(u"create table odd (code varchar(6), name varchar(20))");
  cn->Execute(u"insert into odd values ('B1', '한'), ('B2', 'a\"b')");
  Outcome out = run({"export", "csv", dir.file("odd.csv"), "--sql", "select * from odd"});
  EXPECT_EQ(out.status, 0) << out.err;
  EXPECT_NE(out.err.find("1 value was changed to the substitute character (the first in record "
                         "1, field 2)"),
            std::string::npos)
      << out.err;
  EXPECT_NE(out.err.find("1 value holds a double quote"), std::string::npos) << out.err;
  for (std::string kind : {"csv", "fixed"}) {
    Args args{"export", kind, dir.file("strict." + kind), "--sql", "select * from odd", "--strict"};
    if (kind == "fixed") args.insert(args.end(), {"--fds", "x__0002 x__0010"});
    expectFailure(run(args), 1, "--strict");
  }
  EXPECT_EQ(listing(), (std::vector<std::string>{"odd.csd", "odd.csv"}));

  const std::string header = "\"a\",\"b\",\"c\"\r\n";
  struct Case {
    std::string bytes;
    Args options;
    int status;
    std::string said;           // part of standard error
    std::u16string loadedName;  // the name of the row loaded, when one is
  };
  for (const Case& c : std::vector<Case>{
           {header + "A,山田,1\r\n", {}, 1, "looks like UTF-8: give --encoding utf-8", u""},
           {header + "A,山田,1\r\n", {"--encoding", "utf-8"}, 0, "", u"山田"},
           {header + "A,\xC2\xB1\xC2\xB1,1\r\n", {}, 0, "", u"ﾂｱﾂｱ"},  // Shift-JIS, valid UTF-8
           {header + "A,B,1\r\nC,\x81 ,2\r\n", {"--strict"}, 1, "line 3 of", u""},
           {header + "A,\xFF,1\r\n", {"--encoding", "utf-8", "--strict"}, 1, "not UTF-8", u""},
           {header + "A,\x81 ,1\r\n", {}, 0, "1 value was changed to the substitute", u"?"},
       }) {
    SCOPED_TRACE(c.said);
    cn->Execute(u"delete from copy");
    dir.write("in.csv", c.bytes);
    Args args{"import", "csv", dir.file("in.csv"), "--table", "copy"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    Outcome in = run(args);
    EXPECT_EQ(in.status, c.status) << in.err;
    EXPECT_NE(in.err.find(c.said), std::string::npos) << in.err;
    EXPECT_EQ(rows(), c.status == 0 ? 1 : 0);
    if (c.status == 0 && c.loadedName != u"?") {
      EXPECT_EQ(rows(u"where name = '" + c.loadedName + u"'"), 1);
    }
  }
}

TEST_F(BatchTest, StandardInputAndOutput) {
  ASSERT_EQ(run({"export", "csv", dir.file("k.csv"), "--sql", kSelect}).status, 0);
  Outcome out = run({"export", "csv", "-", "--sql", kSelect});
  EXPECT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(out.err, "");
  EXPECT_EQ(out.out, dir.read("k.csv"));
  Outcome in = run({"import", "csv", "-", "--table", "copy"}, out.out);
  EXPECT_EQ(in.status, 0) << in.err;
  EXPECT_EQ(copied(), 2);
  // The file the library read is a copy, but a failure names standard input.
  expectFailure(run({"import", "csv", "-", "--table", "absent"}, out.out), 1,
                "cannot open the table absent");
}

TEST_F(BatchTest, SignalsEndJobsCleanly) {
  dir.write("k.csv", "old\r\n");
  zuvo::test::ChildRun term{false, SIGTERM, [&](pid_t) {
                              for (const auto& name : listing())
                                if (std::error_code ec;
                                    name.find("~zuvo") != std::string::npos &&
                                    std::filesystem::file_size(dir.file(name), ec) > 0 && !ec)
                                  return true;
                              return false;
                            }};
  const std::string many =
      "with recursive n(i) as (select 1 union all select i + 1 from n where i < 50000000) "
      "select i from n";
  Outcome out = zuvo::test::runBatchInChild({"export", "csv", dir.file("k.csv"), "--sql", many,
                                             "--db", db, "--home", dir.file(""), "--quiet"},
                                            term);
  EXPECT_EQ(out.status, 143) << out.err;
  EXPECT_NE(out.err.find("terminated"), std::string::npos) << out.err;
  EXPECT_EQ(listing(), std::vector<std::string>{"k.csv"});
  EXPECT_EQ(dir.read("k.csv"), "old\r\n");

  std::string big = "\"a\",\"b\",\"c\"\r\n";
  for (int i = 0; i < 300000; ++i) big += "A,B," + std::to_string(i) + "\r\n";
  dir.write("big.csv", big);
  dir.write("zuvodll.ini", "tranmax=0\r\n");
  zuvo::test::ChildRun interrupt{false, SIGINT,
                                 [&](pid_t) { return std::filesystem::exists(db + "-journal"); }};
  out = zuvo::test::runBatchInChild({"import", "csv", dir.file("big.csv"), "--table", "copy",
                                     "--db", db, "--home", dir.file(""), "--quiet"},
                                    interrupt);
  EXPECT_EQ(out.status, 130) << out.err;
  EXPECT_NE(out.err.find("rolled back"), std::string::npos) << out.err;
  EXPECT_EQ(rows(), 0);
}

// The front's own exports read back through its own import into an empty copy of the table,
// Null numbers and dates included.
class BatchRoundTrip : public ::testing::TestWithParam<zuvo::test::Backend> {};

TEST_P(BatchRoundTrip, ExportReadsBackThroughImport) {
  TempDir dir;
  std::string uri = "sqlite:" + dir.file("t.db");
  std::string suffix = std::to_string(::getpid());
  if (GetParam() == zuvo::test::Backend::Odbc) {
    uri = zuvo::test::odbcUri();
    if (uri.empty()) GTEST_SKIP() << "no ODBC test database";
  }
  auto cn = zuvo::openConnection(uri);
  const std::string src = "rt_src_" + suffix, dst = "rt_dst_" + suffix;
  for (const auto& t : {src, dst}) {
    cn->Execute(zuvo::rt::fromUtf8("drop table if exists " + t));
    cn->Execute(zuvo::rt::fromUtf8("create table " + t +
                                   " (code varchar(6), amount numeric(10,2), due date)"));
  }
  cn->Execute(zuvo::rt::fromUtf8("insert into " + src +
                                 " values ('A1', 12.5, '2024-01-31'), ('A2', null, '2024-02-29')"));
  auto batch = [&](Args args) {
    args.insert(args.end(), {"--db", uri, "--home", dir.file(""), "--quiet"});
    return zuvo::test::runBatchCommand(std::move(args));
  };
  Outcome out = batch({"export", "csv", dir.file("t.csv"), "--sql", "select * from " + src});
  ASSERT_EQ(out.status, 0) << out.err;
  out = batch({"import", "csv", dir.file("t.csv"), "--table", " " + dst + " "});
  EXPECT_EQ(out.status, 0) << out.err;
  auto rs = cn->OpenResultset(zuvo::rt::fromUtf8(
      "select case when count(*) = 2 then 'same' else 'differ' end from " + src + " s join " + dst +
      " d on s.code = d.code and s.due = d.due and "
      "(s.amount = d.amount or (s.amount is null and d.amount is null))"));
  EXPECT_EQ(rs->rdoColumns()[0].Value(), zuvo::Variant(u"same"));
  rs->Close();
  for (const auto& t : {src, dst}) cn->Execute(zuvo::rt::fromUtf8("drop table " + t));
}

INSTANTIATE_TEST_SUITE_P(Backends, BatchRoundTrip, zuvo::test::backends(), zuvo::test::backendName);

}  // namespace
