#include <gtest/gtest.h>

#include "ConvertFixture.h"
#include "runtime/Convert.h"

using Rows = std::vector<std::vector<std::u16string>>;

class FixedExportTest : public ConvertTest {
 protected:
  // The one field that descriptor fds makes of the value of `expr`.
  std::u16string field(const std::u16string& expr, const std::u16string& fds) {
    auto& z = component();
    EXPECT_EQ(z.CnvFixSFFile(*cn, u"select " + expr, dir.name("f.dat"), fds, false, false), 1);
    return zuvo::cp932::decode(dir.read("f.dat"));
  }

  struct Case {
    const char16_t* value;
    const char16_t* fds;
    const char16_t* expected;
  };
  void expectFields(const std::vector<Case>& cases) {
    for (const Case& c : cases)
      EXPECT_EQ(field(c.value, c.fds), c.expected)
          << zuvo::rt::toUtf8(c.value) << " " << zuvo::rt::toUtf8(c.fds);
  }
};

TEST_F(FixedExportTest, NumberFields) {
  EXPECT_EQ(field(u"12.5", u"n2r0008"), u"00001250");
  EXPECT_EQ(field(u"-12.5", u"n2r0008"), u"-0001250");
  EXPECT_EQ(field(u"null", u"n2r0008"), u"00000000");
  EXPECT_EQ(field(u"12.5", u"p2r0008"), u"00012.50");
  EXPECT_EQ(field(u"123456", u"n__0005"), u"23456");
  EXPECT_EQ(field(u"12", u"n_l0006"), u"120000");
  EXPECT_EQ(field(u"'12.5'", u"p1r0005"), u"012.5");  // a number held as text
}

// Rounding, signs and cut integer digits; the sign is the formatted number's, so a negative
// value that rounds to zero has none. Text that is no number stays as it is, its sign read
// from its leading number.
TEST_F(FixedExportTest, NumberFieldEdges) {
  expectFields({
      {u"-0.004", u"n2r0008", u"00000000"},
      {u"-0.005", u"n2r0008", u"-0000001"},
      {u"2.5", u"n__0004", u"0003"},
      {u"-2.5", u"n__0004", u"-003"},
      {u"7", u"n2r0008", u"00000700"},
      {u"2.675", u"n2r0006", u"000268"},
      {u"123456", u"n__0003", u"456"},
      {u"-123456", u"n__0003", u"-56"},
      {u"1234.567", u"p2r0006", u"234.57"},
      {u"-1.5", u"p2r0005", u"-1.50"},
      {u"1.5", u"p9r0005", u"00000"},
      {u"1e20", u"n2r0006", u"000000"},
      {u"12", u"n__0000", u""},
      {u"'12.5 '", u"n2r0006", u"001250"},
      {u"'abc'", u"n__0005", u"abc"},
      {u"'a.bcd'", u"n2r0006", u"abc"},
      {u"'-5x'", u"n__0004", u"--5x"},
      {u"'2000-01-05'", u"p2r0006", u"-01-05"},
      {u"null", u"p2l0004", u"0000"},
      {u"-1.5", u"n_l0006", u"-1.500"},
      {u"'  '", u"n__0003", u"000"},
      {u"1.7976931348623157e308", u"n__0003", u"000"},  // the largest Double, cut too
  });
}

TEST_F(FixedExportTest, TextFields) {
  EXPECT_EQ(field(u"'ABC'", u"x__0006"), u"ABC   ");
  EXPECT_EQ(field(u"'12'", u"xzr0006"), u"000012");
  EXPECT_EQ(field(u"'ｱｲ'", u"k_l0006"), u"アイ　");
  EXPECT_EQ(field(u"'アイ'", u"k_r0005"), u"アイ");    // the fill straddling the cut goes
  EXPECT_EQ(field(u"'アイ'", u"k_l0005"), u"アイ　");  // and here is taken whole
  EXPECT_EQ(field(u"'ab-12'", u"f__0010"), u"AB12      ");
  EXPECT_EQ(field(u"'abc'", u"u__0005"), u"ABC  ");
  EXPECT_EQ(field(u"'山田太郎'", u"x__0005"), u"山田太");
}

// Widening only where there is something to widen, case mapping beyond ASCII, and the
// all-zero rule, which looks at the whole field with its fill.
TEST_F(FixedExportTest, TextFieldEdges) {
  expectFields({
      {u"'山田'", u"k_r0006", u"　山田"},
      {u"'ｶﾞｷﾞ1'", u"k_l0008", u"ガギ１　"},
      {u"'ab-ｃd'", u"f__0006", u"ABＣD  "},
      {u"'αｂc'", u"u__0006", u"ΑＢC "},
      {u"'山田太郎'", u"u_r0005", u"太郎"},
      {u"'00.00'", u"d_r0006", u"  0000"},
      {u"'0000.00.00'", u"d__0006", u"      "},
      {u"'ab'", u"dz_0004", u"ab00"},
  });
}

TEST_F(FixedExportTest, DateAndTimeFields) {
  EXPECT_EQ(field(u"'2000.11.23'", u"d__0008"), u"20001123");
  EXPECT_EQ(field(u"'0000.00.00'", u"d__0008"), u"        ");
  EXPECT_EQ(field(u"'0000.00.00'", u"dz_0008"), u"00000000");
  EXPECT_EQ(field(u"'12:30:00'", u"t__0006"), u"123000");
}

TEST_F(FixedExportTest, RecordEndsAppendAndMissingDescriptors) {
  exec(u"create table t (a varchar(3), b varchar(3))");
  exec(u"insert into t values ('abc', 'xy'), ('def', 'z')");
  auto& z = component();
  EXPECT_EQ(z.CnvFixSFFile(*cn, u"select a from t", dir.name("f.dat"), u"x__0003", false, false),
            2);
  EXPECT_EQ(dir.read("f.dat"), "abcdef");
  EXPECT_EQ(z.CnvFixSFFile(*cn, u"select * from t", dir.name("f.dat"), u"x__0003", true, true), 2);
  EXPECT_EQ(dir.read("f.dat"), "abcdefabc\r\ndef\r\n");  // no descriptor, no field
  EXPECT_EQ(
      z.CnvFixSFFile(*cn, u"select * from t where 0", dir.name("f.dat"), u"x__0003", true, false),
      0);
  EXPECT_EQ(dir.read("f.dat"), "");
  EXPECT_EQ(z.CnvFixSFFile(*cn, u"select * from none", dir.name("g.dat"), u"x__0003", true, false),
            -1);
  EXPECT_FALSE(dir.exists("g.dat"));
}

class FixedImportTest : public ConvertTest {
 protected:
  std::int32_t load(const std::string& bytes, const std::u16string& fds, std::int16_t bln,
                    const std::u16string& table = u"t") {
    dir.write("in.dat", bytes);
    return z->SetFixRDB(*cn, u"", dir.name("in.dat"), fds, bln, table);
  }
};

TEST_F(FixedImportTest, SameStatementFromLineAndRecordFiles) {
  exec(u"create table t (amount real, day varchar(10), name varchar(10))");
  component();
  const std::u16string fds = u"n2r0008 dt_0008 x_l0010";
  std::string record = sjis(u"0000125020001123山田      ");
  ASSERT_EQ(record.size(), 26u);
  EXPECT_EQ(load(record + "\r\n" + record, fds, 0), 2);
  EXPECT_EQ(load(record + record, fds, 26), 2);
  EXPECT_EQ(load(record + "\r\n" + record + "\r\n", fds, 28), 2);
  EXPECT_EQ(rows(u"select * from t"), Rows(6, {u"12.5", u"2000.11.23", u"山田"}));
}

// A double-byte character across two fields stays whole at the end of the first and is gone
// from the start of the second, which still starts at its own byte: "x" is in both. A record
// past 32,767 characters overflows the byte measures.
TEST_F(FixedImportTest, FieldsCutAcrossDoubleByteCharacters) {
  exec(u"create table t (a varchar(10), b varchar(10), c varchar(10))");
  component();
  EXPECT_EQ(
      load(sjis(u"ab山田xyz") + "\r\n" + sjis(u"abc田") + "\r\n", u"x__0003 x__0003 x__0002", 0),
      2);
  EXPECT_EQ(rows(u"select * from t"), (Rows{{u"ab山", u"田x", u"xy"}, {u"abc", u"田", u""}}));
  EXPECT_EQ(load(std::string(40000, 'a'), u"x__0003 x__0003 x__0002", 0), -1);
  EXPECT_EQ(z->lastConversion().status.code(), zuvo::Status::Code::Value);
}

TEST_F(FixedImportTest, ConversionCodes) {
  exec(
      u"create table t (a varchar(12), b varchar(16), c varchar(5), d varchar(5), e varchar(8), "
      u"f varchar(8), g real, h real, i real)");
  component();
  const std::u16string fds =
      u"d2r0006 jc_0013 szr0003 szl0003 ls_0003 hs_0006 n3r0006 p2r0007 n__0003";
  std::string line = sjis(u"9912311234567890123123123ABCＡＢＣ0015000012.50   ");
  EXPECT_EQ(
      load(line + "\r\n" + sjis(u"001123") + "\r\n" + sjis(u"000000xxxxxxxxxxxxx12 12 ") + "\r\n",
           fds, 0),
      3);
  EXPECT_EQ(rows(u"select * from t"),
            (Rows{{u"1999.12.31", u"1234-567890-123", u"00123", u"12300", u"abc", u"ABC", u"1.5",
                   u"12.5", u"0"},
                  // A short line gives empty fields: '' for text, 0 for numbers.
                  {u"2000.11.23", u"--", u"00000", u"00000", u"", u"", u"0", u"0", u"0"},
                  {u"", u"xxxx-xxxxxx-xxx", u"0012", u"12 00", u"", u"", u"0", u"0", u"0"}}));
}

TEST_F(FixedImportTest, TimeAndMonthCodes) {
  exec(u"create table t (a varchar(8), b varchar(8), c varchar(8), d varchar(8))");
  component();
  EXPECT_EQ(load(sjis(u"1230123000112314150000"), u"tm_0004 tm_0006 md_0004 ms_0004 md_0004", 0),
            -1);
  EXPECT_EQ(load(sjis(u"1230123000112314150000"), u"tm_0004 tm_0006 md_0004 ms_0004", 0), 1);
  EXPECT_EQ(rows(u"select * from t"), (Rows{{u"12:30", u"12:30:00", u"11.23", u"14:15"}}));
}

TEST_F(FixedImportTest, FailuresKeepWhatWasCommitted) {
  exec(u"create table t (code varchar(4), v integer check (v <> 9))");
  exec(u"insert into t values ('old', 0)");
  component(2);
  // A layout for another number of columns: -1 before any record, the statement already done.
  dir.write("in.dat", "a   1\r\n");
  EXPECT_EQ(z->SetFixRDB(*cn, u"delete from t", dir.name("in.dat"), u"x__0004", 0, u"t"), -1);
  EXPECT_EQ(countRows(u"t"), 0);
  EXPECT_EQ(load("", u"x__0004 n__0001", 0), 0);
  EXPECT_EQ(load("a   1", u"x__0004 n__0001", 0, u"missing"), -1);
  EXPECT_EQ(z->SetFixRDB(*cn, u"", dir.name("missing.dat"), u"x__0004 n__0001", 0, u"t"), -1);
  // Record 3 is refused after the first pair was committed.
  EXPECT_EQ(load("a   1\r\nb   2\r\nc   9\r\n", u"x__0004 n__0001", 0), -1);
  EXPECT_EQ(countRows(u"t"), 2);
  EXPECT_EQ(z->lastConversion().status.code(), zuvo::Status::Code::Statement);
  EXPECT_EQ(z->lastConversion().status.record(), 3);
  // A record file whose last record stops inside its fields.
  EXPECT_EQ(load("c   3d   4e  ", u"x__0004 n__0001", 5), -1);
  EXPECT_EQ(countRows(u"t"), 4);
  // A record file whose last record lacks only its line end is whole.
  EXPECT_EQ(load("f   6\r\ng   7", u"x__0004 n__0001", 7), 2);
  EXPECT_EQ(countRows(u"t"), 6);
}

TEST_F(FixedImportTest, TransactionIntervalOfZeroCommitsOnlyAtTheEnd) {
  exec(u"create table t (code varchar(4), v integer check (v <> 9))");
  component(0);
  EXPECT_EQ(load("a   1\r\nb   2\r\nc   9\r\n", u"x__0004 n__0001", 0), -1);
  EXPECT_EQ(countRows(u"t"), 0);
  EXPECT_EQ(load("a   1\r\nb   2\r\n", u"x__0004 n__0001", 0), 2);
  EXPECT_EQ(countRows(u"t"), 2);
}

TEST_F(ConvertTest, FixedRoundTripThroughLineAndRecordFiles) {
  exec(
      u"create table src (code varchar(6), name varchar(20), kana varchar(10), amount real, "
      u"qty integer, day varchar(10), tm varchar(8), up varchar(4))");
  const char16_t* names[] = {u"山田太郎", u"ｶﾀｶﾅ", u"髙橋 一", u"O-Neil", u"①②"};
  auto u16 = [](const std::string& s) { return std::u16string(s.begin(), s.end()); };
  // Hours start at 1: an all-zero time is written as blanks and would come back empty.
  for (int i = 0; i < 300; ++i) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "'C%04d', '', 'kana', %d.%02d, %d, '2024.%02d.%02d', '%02d:%02d:00', 'AB%02d'", i,
                  i * (i % 2 ? -1 : 1), i % 100, i * 7, i % 12 + 1, i % 28 + 1, i % 23 + 1, i % 60,
                  i % 100);
    std::u16string values = u16(buf);
    values.replace(values.find(u"''"), 2, u"'" + std::u16string(names[i % 5]) + u"'");
    values.replace(values.find(u"kana"), 4, u"ｱｲｳ");
    exec(u"insert into src values (" + values + u")");
  }
  const std::u16string fds = u"x__0006 x__0020 x__0010 n2r0010 n__0006 dt_0008 tm_0006 u__0004";
  const std::u16string order = u" order by code";
  for (bool cr : {true, false}) {
    auto& z = component(50);
    ASSERT_EQ(z.CnvFixSFFile(*cn, u"select * from src", dir.name("rt.dat"), fds, cr, false), 300);
    exec(u"create table dst as select * from src where 0");
    std::int16_t record = 6 + 20 + 10 + 10 + 6 + 8 + 6 + 4;
    if (cr) {
      EXPECT_EQ(z.SetFixRDB(*cn, u"", dir.name("rt.dat"), fds, 0, u"dst"), 300);
      EXPECT_EQ(rows(u"select * from dst" + order), rows(u"select * from src" + order));
      record += 2;
    }
    EXPECT_EQ(z.SetFixRDB(*cn, u"delete from dst", dir.name("rt.dat"), fds, record, u"dst"), 300);
    EXPECT_EQ(rows(u"select * from dst" + order), rows(u"select * from src" + order));
    exec(u"drop table dst");
  }
}
