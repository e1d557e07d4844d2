// The reasons the conversions give for a failure, and what they report beside their result.
#include "convert/Failure.h"

#include <functional>

#include "ConvertFixture.h"
#include "convert/Export.h"
#include "database/TestDatabases.h"
#include "jef/JefHome.h"

namespace {

using zuvo::Status;
using Code = zuvo::Status::Code;

class ConversionStatusTest : public ConvertTest {
 protected:
  void SetUp() override {
    ConvertTest::SetUp();
    exec(u"create table t (code varchar(4), name varchar(10), amount integer)");
    exec(u"insert into t values ('A1', '山田', 10), ('B2', 'é', 20)");
    std::filesystem::copy_file(zuvo::testing::JefHome::samplePath(), dir.file("sjisjef.tbl"));
    dir.write("in.csv", "\"code\",\"name\",\"amount\"\r\nA1,x,1\r\n");
    dir.write("data.csv", "A1,x,1\r\n");
    dir.write("in.dat", "A1  x             1\r\n");
    component();
  }
  std::int32_t run(const std::string& job, const std::string& file) {
    const std::u16string f(file.begin(), file.end()), q = u"select * from t",
                                                      fds = u"x__0004 k_l0010 n__0005";
    if (job == "CnvCSVFile") return z->CnvCSVFile(*cn, q, f, false);
    if (job == "CnvFixSFFile") return z->CnvFixSFFile(*cn, q, f, fds, true, false);
    if (job == "CnvJefSFFile") return z->CnvJefSFFile(*cn, q, f, fds, false);
    if (job == "CSVtoJEF") return z->CSVtoJEF(dir.name("data.csv"), f, fds, false);
    if (job == "JEFtoCSV") return z->JEFtoCSV(dir.name("in.jef"), f, fds, 0, false);
    if (job == "SetRDB") return z->SetRDB(*cn, u"", f, u"t");
    if (job == "SetFixRDB") return z->SetFixRDB(*cn, u"", f, fds, 0, u"t");
    return z->SetJefRDB(*cn, u"", f, fds, 0, u"t");
  }
  void expectFailure(const std::string& job, const std::string& file, Code code,
                     const std::string& words) {
    EXPECT_EQ(run(job, file), -1) << job << " " << file;
    const Status& s = z->lastConversion().status;
    EXPECT_EQ(s.code(), code) << job << ": " << s.message();
    EXPECT_NE(s.message().find(words), std::string::npos) << job << ": " << s.message();
  }
};

TEST_F(ConversionStatusTest, FilesThatCannotBeWrittenOrReadSayWhy) {
  ASSERT_EQ(run("CnvJefSFFile", dir.file("in.jef")), 2) << z->lastConversion().status.message();
  for (const char* job : {"CnvCSVFile", "CnvFixSFFile", "CnvJefSFFile", "CSVtoJEF", "JEFtoCSV"}) {
    expectFailure(job, dir.file(""), Code::OpenFile, "Is a directory");
    if (std::filesystem::exists("/dev/full"))
      expectFailure(job, "/dev/full", Code::WriteFile, "cannot write /dev/full: No space left");
  }
  for (const char* job : {"SetRDB", "SetFixRDB", "SetJefRDB"}) {
    expectFailure(job, dir.file("missing"), Code::OpenFile, "No such file or directory");
    expectFailure(job, dir.file(""), Code::OpenFile, "Is a directory");
  }
  EXPECT_EQ(run("CSVtoJEF", dir.file("out.jef")), 1);
}

TEST_F(ConversionStatusTest, DatabaseFailuresCarryTheDatabasesWords) {
  EXPECT_EQ(z->CnvCSVFile(*cn, u"select * from missing_table", dir.name("o.csv"), false), -1);
  EXPECT_EQ(z->lastConversion().status.message(), "the query failed: no such table: missing_table");
  EXPECT_FALSE(dir.exists("o.csv"));
  EXPECT_EQ(z->SetRDB(*cn, u"delete from missing_table", u"", u""), -1);
  EXPECT_EQ(z->lastConversion().status.message(),
            "the statement before the load failed: no such table: missing_table");
  EXPECT_EQ(z->SetRDB(*cn, u"", dir.name("in.csv"), u"missing_table"), -1);
  EXPECT_EQ(z->lastConversion().status.message(),
            "cannot open the table missing_table: no such table: missing_table");
  exec(u"pragma query_only = 1");
  // SQLite refuses the transaction already; a read-only file refuses the insert.
  expectFailure("SetRDB", dir.file("in.csv"), Code::BeginTransaction,
                "for record 1 of " + dir.file("in.csv") + ": attempt to write a readonly database");
  EXPECT_EQ(z->lastConversion().status.record(), 1);
}

TEST_F(ConversionStatusTest, FieldCountsAndTablesSayWhatDiffers) {
  dir.write("two.csv", "\"a\",\"b\"\r\n1,2\r\n");
  expectFailure("SetRDB", dir.file("two.csv"), Code::FieldCount,
                "the header of " + dir.file("two.csv") + " has 2 fields for the 3 columns of t");
  dir.write("long.csv", std::string(40000, 'a') + ",b\r\n1,2\r\n");
  expectFailure("SetRDB", dir.file("long.csv"), Code::FieldCount,
                "is longer than 32767 characters");
  EXPECT_EQ(z->SetRDB(*cn, u"", dir.name("in.csv"), u"t; drop table t"), -1);
  EXPECT_EQ(z->lastConversion().status.code(), Code::TargetTable);
  // Blanks around a name, as fixed-length string variables give them, are no part of it.
  EXPECT_EQ(z->SetRDB(*cn, u"", dir.name("in.csv"), u" t  "), 1);
  EXPECT_EQ(z->SetFixRDB(*cn, u"", dir.name("in.dat"), u"x__0004 x__0010 n__0005", 0, u" t "), 1);
}

TEST_F(ConversionStatusTest, MissingConversionTableIsTheReason) {
  ASSERT_EQ(run("CnvJefSFFile", dir.file("in.jef")), 2);
  std::filesystem::remove(dir.file("sjisjef.tbl"));
  component();
  expectFailure("JEFtoCSV", dir.file("o.csv"), Code::ConversionTable,
                "cannot read the conversion table " + dir.file("sjisjef.tbl"));
  EXPECT_EQ(z->lastConversion().status.record(), 1);
  EXPECT_EQ(z->jefTableStatus().code(), Code::ConversionTable);
}

TEST_F(ConversionStatusTest, ReportsSubstitutesAndQuotes) {
  exec(u"insert into t values ('C\"3', 'a\"b', 30)");
  ASSERT_EQ(run("CnvCSVFile", dir.file("o.csv")), 3);
  const zuvo::ConversionReport& r = z->lastConversion();
  EXPECT_EQ(r.substituted.count, 1);
  EXPECT_EQ(r.substituted.firstRecord, 2);
  EXPECT_EQ(r.substituted.firstField, 2);
  EXPECT_EQ(r.quoted.count, 2);
  EXPECT_EQ(r.quoted.firstRecord, 3);
  EXPECT_EQ(r.quoted.firstField, 1);
  ASSERT_EQ(run("CnvJefSFFile", dir.file("o.jef")), 3);
  EXPECT_EQ(z->lastConversion().substituted.firstRecord, 2);
  EXPECT_EQ(z->lastConversion().quoted.count, 0);
}

TEST_F(ConversionStatusTest, ColumnTypeFileOnlyForADotInTheFilesOwnName) {
  std::filesystem::create_directories(dir.file("dir.v2"));
  struct Case {
    const char* csv;
    const char* typeFile;  // "" for none
  };
  for (const Case& c :
       {Case{"dir.v2/out", ""}, Case{"dir.v2/out.txt", "dir.v2/out.csd"}, Case{"plain", ""}}) {
    std::filesystem::remove_all(dir.file("dir.csd"));
    ASSERT_EQ(run("CnvCSVFile", dir.file(c.csv)), 2) << c.csv;
    EXPECT_FALSE(dir.exists("dir.csd")) << c.csv;
    if (*c.typeFile) {
      EXPECT_EQ(dir.read(c.typeFile), "ss,ss,nn\r\n") << c.csv;
    }
  }
  EXPECT_EQ(zuvo::convert::columnTypeFileName(u"./out"), u"");
  EXPECT_EQ(zuvo::convert::columnTypeFileName(u"c:\\data\\out.csv"), u"c:\\data\\out.csd");
}

TEST_F(ConversionStatusTest, CsvSideInUtf8) {
  z->conversionOptions().csvEncoding = zuvo::TextEncoding::Utf8;
  ASSERT_EQ(run("CnvCSVFile", dir.file("u.csv")), 2);
  EXPECT_EQ(dir.read("u.csv"),
            "\"code\",\"name\",\"amount\"\r\n\"A1\",\"山田\",\"10\"\r\n\"B2\",\"é\",\"20\"\r\n");
  EXPECT_EQ(z->lastConversion().substituted.count, 0);
  exec(u"delete from t");
  ASSERT_EQ(run("SetRDB", dir.file("u.csv")), 2);
  EXPECT_EQ(rows(u"select name from t order by code"),
            (std::vector<std::vector<std::u16string>>{{u"山田"}, {u"é"}}));
  dir.write("data.csv", "A1,山,1\r\n");
  ASSERT_EQ(run("CSVtoJEF", dir.file("u.jef")), 1);
  dir.write("in.jef", dir.read("u.jef"));
  ASSERT_EQ(run("JEFtoCSV", dir.file("back.csv")), 1);
  EXPECT_EQ(dir.read("back.csv"), "\"A1\",\"山　　　　\",\"1\"\r\n");
}

// What the exports write, the imports take back: Nulls, dates and numbers alike.
class RoundTripTest : public zuvo::test::DatabaseTest {};
INSTANTIATE_TEST_SUITE_P(Backends, RoundTripTest, zuvo::test::backends(), zuvo::test::backendName);

TEST_P(RoundTripTest, CsvAndFixedExportsLoadIntoAnEmptyCopy) {
  auto& cn = connection();
  const std::u16string columns = u"code varchar(4), amount numeric(9,2), day date, qty integer";
  createTable(u"src", columns);
  createTable(u"dst", columns);
  cn.Execute(u"insert into src values ('A', 1.5, '2024-01-31', 7)");
  cn.Execute(u"insert into src values ('B', null, null, null)");
  zuvo::testing::JefHome home;
  auto z = home.object();
  const std::string csv = (home.path() / "src.csv").string();
  const std::string dat = (home.path() / "src.dat").string();
  const zuvo::String q = u"select * from src order by code",
                     fds = u"x__0004 n2r0010 x__0010 n__0005";
  ASSERT_EQ(z->CnvCSVFile(cn, q, zuvo::String(csv.begin(), csv.end()), false), 2);
  ASSERT_EQ(z->SetRDB(cn, u"", zuvo::String(csv.begin(), csv.end()), u"dst"), 2)
      << z->lastConversion().status.message();
  auto same = [&](const std::u16string& sql) {
    auto rs = cn.OpenResultset(sql);
    return rs->rdoColumns()[0].Value();
  };
  EXPECT_EQ(zuvo::convert::columnText(
                same(u"select count(*) from src s join dst d on s.code = d.code and "
                     u"(s.amount = d.amount or s.amount is null and d.amount is null) and "
                     u"(s.day = d.day or s.day is null and d.day is null)")),
            u"2");
  cn.Execute(u"delete from dst");
  ASSERT_EQ(z->CnvFixSFFile(cn, q, zuvo::String(dat.begin(), dat.end()), fds, true, false), 2);
  ASSERT_EQ(z->SetFixRDB(cn, u"", zuvo::String(dat.begin(), dat.end()), fds, 0, u"dst"), 2)
      << z->lastConversion().status.message();
  // A fixed-length file has no Null for numbers: 0 comes back; the date comes back as it was.
  EXPECT_EQ(zuvo::convert::columnText(
                same(u"select count(*) from src s join dst d on s.code = d.code and "
                     u"(s.day = d.day or s.day is null and d.day is null)")),
            u"2");
}

}  // namespace
