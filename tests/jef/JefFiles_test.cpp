#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "convert/ConvertFixture.h"
#include "jef/JefHome.h"
#include "runtime/Convert.h"

using zuvo::ByteArray;
using Rows = std::vector<std::vector<std::u16string>>;

// The conversion tests with the sample conversion table in the component's home.
class JefFileTest : public ConvertTest {
 protected:
  void SetUp() override {
    ConvertTest::SetUp();
    if (IsSkipped()) return;
    std::filesystem::copy_file(zuvo::testing::JefHome::samplePath(), dir.file("sjisjef.tbl"));
  }

  // The JEF bytes of a text, as hex.
  std::string jef(const std::u16string& text, bool shifts = false) {
    ByteArray b(text.size() * 4 + 2);
    int last = shifts ? z->SjisJefShift(text, b) : z->SjisJef(text, b);
    return zuvo::testing::hex(b, static_cast<std::size_t>(last + 1));
  }
  std::string fileHex(const std::string& name) {
    std::string bytes = dir.read(name);
    return zuvo::testing::hex(ByteArray(bytes.begin(), bytes.end()), bytes.size());
  }
  static std::string bytesOf(const std::string& hexText) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hexText.size(); i += 2)
      out.push_back(static_cast<char>(std::stoi(hexText.substr(i, 2), nullptr, 16)));
    return out;
  }
  // The field that descriptor fds makes of `expr`, as hex.
  std::string field(const std::u16string& expr, const std::u16string& fds) {
    EXPECT_EQ(z->CnvJefSFFile(*cn, u"select " + expr, dir.name("f.jef"), fds, false), 1);
    return fileHex("f.jef");
  }
};

TEST_F(JefFileTest, NumberFieldsArePackedOrZoned) {
  component();
  EXPECT_EQ(field(u"123.456", u"p2_0005"), "12346F");
  EXPECT_EQ(field(u"-123.45", u"p2_0005"), "12345D");
  EXPECT_EQ(field(u"-123", u"n__0005"), "F0F0F1F2D3");
  EXPECT_EQ(field(u"12.5", u"n2_0006"), "F0F0F1F2F5F0");
  EXPECT_EQ(field(u"12", u"n_l0005"), "F1F2F0F0F0");
  EXPECT_EQ(field(u"-12", u"n_l0005"), "F1F2F0F0D0");
  EXPECT_EQ(field(u"'7x'", u"n__0003"), "F0F0F7");  // the leading number of a text
  EXPECT_EQ(field(u"null, null", u"p0_0003 n__0003"),
            "000F"
            "F0F0F0");
}

TEST_F(JefFileTest, TextFieldsConvertThroughTheTable) {
  component();
  EXPECT_EQ(field(u"'00:00'", u"t__0004"), "40404040");
  EXPECT_EQ(field(u"'00:00'", u"tz_0004"), "F0F0F0F0");
  EXPECT_EQ(field(u"'2000.4.17'", u"d_r0008"), "40F2F0F0F0F4F1F7");
  EXPECT_EQ(field(u"'123-4567'", u"f__0007"), "F1F2F3F4F5F6F7");
  EXPECT_EQ(field(u"'ｱｲ'", u"k_l0006"), jef(u"アイ　"));
  EXPECT_EQ(field(u"'東京'", u"k_r0006"), jef(u"　東京"));
  EXPECT_EQ(field(u"'AB'", u"x__0004"), jef(u"AB  "));
  EXPECT_EQ(field(u"'12'", u"xzr0004"), jef(u"0012"));
  // Shift codes make the JEF form longer than the field: it is cut after len bytes.
  EXPECT_EQ(field(u"'あい'", u"x_r0006"),
            "4040"
            "28"
            "A4A2"
            "A4");
  // An odd width ends inside the last two-byte code: the field keeps the bytes that fit.
  EXPECT_EQ(field(u"'東京'", u"k_l0005"), jef(u"東京").append("A1"));
  EXPECT_EQ(field(u"null, null", u"x__0002 k__0002"), "4040A1A1");
}

TEST_F(JefFileTest, ExportFilesAreReplacedOrAppendedTo) {
  component();
  exec(u"create table t (a varchar(4))");
  dir.write("f.jef", "old contents, longer than the new");
  EXPECT_EQ(z->CnvJefSFFile(*cn, u"select * from t", dir.name("f.jef"), u"x__0004", false), 0);
  EXPECT_EQ(dir.read("f.jef"), "");
  exec(u"insert into t values ('A')");
  EXPECT_EQ(z->CnvJefSFFile(*cn, u"select * from t", dir.name("f.jef"), u"x__0004", true), 1);
  EXPECT_EQ(z->CnvJefSFFile(*cn, u"select * from t", dir.name("f.jef"), u"x__0004", true), 1);
  EXPECT_EQ(fileHex("f.jef"), jef(u"A   A   "));
  EXPECT_EQ(z->CnvJefSFFile(*cn, u"select * from nowhere", dir.name("g.jef"), u"x__0004", false),
            -1);
  EXPECT_FALSE(dir.exists("g.jef"));
  EXPECT_EQ(z->CnvJefSFFile(*cn, u"select * from t", dir.name("no/such/dir"), u"x__0004", false),
            -1);
}

TEST_F(JefFileTest, ExportCountsAndYieldsEvery200Records) {
  component();
  exec(u"create table t (a integer)");
  exec(
      u"with recursive c(i) as (select 1 union all select i + 1 from c where i < 450) "
      u"insert into t select i from c");
  EXPECT_EQ(z->CnvJefSFFile(*cn, u"select a from t", dir.name("f.jef"), u"p0_0005", false), 450);
  EXPECT_EQ(pump->seen, (std::vector<std::int32_t>{200, 400}));
  EXPECT_EQ(z->GetCnvCount(), 450);
  EXPECT_EQ(dir.read("f.jef").size(), 450u * 3);
}

TEST_F(JefFileTest, AFieldThatCannotBeBuiltFailsTheExportButIsWritten) {
  component();
  // A text that is no number can't be packed; "_" is no number of decimals.
  EXPECT_EQ(z->CnvJefSFFile(*cn, u"select 'abc', 5, 1", dir.name("f.jef"),
                            u"p0_0003 p__0003 n__0002", false),
            -1);
  EXPECT_EQ(fileHex("f.jef"),
            "0000"
            "0000"
            "F0F1");
  // A zoned value with more digits than the field, and double-byte text in a one-byte field.
  EXPECT_EQ(z->CnvJefSFFile(*cn, u"select 12345", dir.name("f.jef"), u"n__0003", false), -1);
  EXPECT_EQ(z->CnvJefSFFile(*cn, u"select 'あ'", dir.name("f.jef"), u"f__0001", false), -1);
}

class JefImportTest : public JefFileTest {
 protected:
  // Loads the records given in hex into table t.
  std::int32_t load(const std::string& records, const std::u16string& fds,
                    const std::u16string& sql = u"") {
    dir.write("in.jef", bytesOf(records));
    return z->SetJefRDB(*cn, sql, dir.name("in.jef"), fds, 0, u"t");
  }
};

TEST_F(JefImportTest, FieldsDecodeByTypeAndConversionCode) {
  component();
  exec(
      u"create table t (a numeric, b varchar(10), c numeric, d varchar(10), e varchar(10), "
      u"f varchar(10), g varchar(20), h varchar(20))");
  std::string record = "F0F0F1F2D3" + std::string("F0F0F1F2D3") + "12345D" + jef(u"991231") +
                       jef(u"1230") + jef(u"123045") + jef(u"1234567890123") + jef(u"O'Neil, Ltd");
  std::string second = std::string("F0F0F1F2F3") + "F0F0F1F2F3" + "00005F" + jef(u"051231") +
                       jef(u"    ") + jef(u"000000") + jef(u"0000000000000") + jef(u"あ”い", true) +
                       "404040";
  EXPECT_EQ(
      load(record + second, u"n2_0005 n__0005 p2_0005 d2_0006 tm_0004 tm_0006 jc_0013 x__0011"), 2);
  EXPECT_EQ(rows(u"select * from t"),
            (Rows{{u"-1.23", u"-00123", u"-123.45", u"1999.12.31", u"12:30", u"12:30:45",
                   u"1234-567890-123", u"O Neil  Ltd"},
                  {u"1.23", u"00123", u"0.05", u"2005.12.31", u"", u"00:00:00", u"0000-000000-000",
                   u"あ’い"}}));
}

TEST_F(JefImportTest, DateAndSizeCodes) {
  component();
  exec(u"create table t (a varchar(10), b varchar(10), c varchar(6), d varchar(6), e varchar(8))");
  EXPECT_EQ(load(jef(u"000000") + jef(u"200011") + jef(u"1123") + jef(u"12") + jef(u"ABC"),
                 u"d2_0006 dt_0006 md_0004 szr0002 ls_0003"),
            1);
  EXPECT_EQ(rows(u"select * from t"), (Rows{{u"", u"2000.11", u"11.23", u"000012", u"abc"}}));
}

TEST_F(JefImportTest, BlankNamesEmptyFilesAndCountMismatches) {
  component();
  exec(u"create table t (a varchar(4), b varchar(4))");
  exec(u"insert into t values ('x', 'y')");
  EXPECT_EQ(z->SetJefRDB(*cn, u"delete from t", u" ", u"x__0004 x__0004", 0, u"t"), 0);
  EXPECT_EQ(countRows(u"t"), 0);
  EXPECT_EQ(load("", u"x__0004 x__0004"), 0);
  EXPECT_EQ(load(jef(u"ABCDEFGH"), u"x__0008"), -1);  // one blank too few
  EXPECT_EQ(load(jef(u"ABCDEFGH"), u"x__0004 x__0004", u"delete from nowhere"), -1);
  EXPECT_EQ(z->SetJefRDB(*cn, u"", dir.name("missing.jef"), u"x__0004 x__0004", 0, u"t"), -1);
  EXPECT_EQ(z->SetJefRDB(*cn, u"", dir.name("in.jef"), u"x__0004 x__0004", 0, u"t; drop table t"),
            -1);
  EXPECT_EQ(countRows(u"t"), 0);
  // Fields of no bytes would never move through the file.
  EXPECT_EQ(load(jef(u"AB"), u"x__0000 x__0000"), -1);
}

TEST_F(JefImportTest, FailuresKeepWhatWasCommitted) {
  component(2);
  exec(u"create table t (a integer check (a < 5))");
  std::string records;
  for (int i = 1; i <= 5; ++i) records += jef(std::u16string(1, u'0' + i));
  EXPECT_EQ(load(records, u"n__0001"), -1);
  EXPECT_EQ(countRows(u"t"), 4);

  // A record cut short by the end of the file is not loaded; those before it are.
  exec(u"drop table t");
  exec(u"create table t (a integer)");
  EXPECT_EQ(load(jef(u"12345"), u"n__0002"), -1);
  EXPECT_EQ(rows(u"select * from t"), (Rows{{u"12"}, {u"34"}}));
}

TEST_F(JefImportTest, TransactionIntervalOfZeroCommitsAtTheEnd) {
  component(0);
  exec(u"create table t (a integer)");
  EXPECT_EQ(load(jef(u"123"), u"n__0001"), 3);
  EXPECT_EQ(countRows(u"t"), 3);
}

TEST_F(JefImportTest, MoreThan256ColumnsFailsBeforeAnyInsert) {
  component();
  std::u16string columns, fds;
  for (int i = 0; i < 257; ++i) {
    std::string n = std::to_string(i);
    columns += (i ? u", c" : u"c") + std::u16string(n.begin(), n.end()) + u" integer";
    fds += i ? u" n__0001" : u"n__0001";
  }
  exec(u"create table t (" + columns + u")");
  EXPECT_EQ(load(std::string(257 * 2, 'F'), fds), -1);
  EXPECT_EQ(countRows(u"t"), 0);
}

TEST_F(JefImportTest, AMissingConversionTableStillLoadsButFails) {
  component();
  std::string record = jef(u"AB");
  std::filesystem::remove(dir.file("sjisjef.tbl"));
  component();
  exec(u"create table t (a varchar(4))");
  EXPECT_EQ(load(record, u"x__0002"), -1);
  EXPECT_EQ(countRows(u"t"), 1);
}

class JefCsvTest : public JefFileTest {};

TEST_F(JefCsvTest, CsvToJefConvertsEveryLineHeaderIncluded) {
  component();
  dir.write("in.csv", "\"a\",\"b\"\r\n\"12\",\"-1.5\"\r\n");
  EXPECT_EQ(z->CSVtoJEF(dir.name("in.csv"), dir.name("out.jef"), u"x__0002 x__0004", false), 2);
  EXPECT_EQ(fileHex("out.jef"), jef(u"a b   12-1.5"));
  EXPECT_EQ(z->CSVtoJEF(dir.name("in.csv"), dir.name("out.jef"), u"x__0002 x__0004", true), 2);
  EXPECT_EQ(dir.read("out.jef").size(), 24u);
  EXPECT_EQ(z->CSVtoJEF(dir.name("in.csv"), dir.name("out.jef"), u"x__0002 x__0004", false), 2);
  EXPECT_EQ(dir.read("out.jef").size(), 12u);
  // The header's text can't be packed: the record is written all the same, the result is -1.
  EXPECT_EQ(z->CSVtoJEF(dir.name("in.csv"), dir.name("out.jef"), u"x__0002 p1_0003", false), -1);
  EXPECT_EQ(fileHex("out.jef"), jef(u"a ") + "0000" + jef(u"12") + "015D");
}

TEST_F(JefCsvTest, CsvToJefRefusesOneFieldAndFlagsEmptyNumbers) {
  component();
  dir.write("one.csv", "\"abc\"\r\n");
  EXPECT_EQ(z->CSVtoJEF(dir.name("one.csv"), dir.name("one.jef"), u"x__0003", false), -1);
  EXPECT_FALSE(dir.exists("one.jef"));
  // An empty number fails "p" and whole-number "n" fields (their bytes stay 0x00) but reads
  // as 0 in a right-aligned "n" field with decimals.
  dir.write("e.csv", ",,\r\n");
  EXPECT_EQ(z->CSVtoJEF(dir.name("e.csv"), dir.name("e.jef"), u"p0_0003 n__0002 n1_0002", false),
            -1);
  EXPECT_EQ(fileHex("e.jef"),
            "0000"
            "0000"
            "F0F0");
  dir.write("t.csv", "\"1\",\"abc\"\r\n");
  EXPECT_EQ(z->CSVtoJEF(dir.name("t.csv"), dir.name("t.jef"), u"x__0001 n__0002", false), -1);
}

TEST_F(JefCsvTest, JefToCsvWritesQuotedCleanedFieldsAndTheTypeFile) {
  component();
  dir.write("in.jef",
            bytesOf(jef(u"東京　　") + "F0F0F1F2D3" + "F0F0F1F2F5F0" + "005F" + jef(u"a,b'c\"d")));
  EXPECT_EQ(z->JEFtoCSV(dir.name("in.jef"), dir.name("out.txt"),
                        u"k__0008 n__0005 n2_0006 p1_0003 x__0007", 0, false),
            1);
  EXPECT_EQ(dir.read("out.txt"), sjis(u"\"東京　　\",\"-123\",\"12.5\",\".5\",\"a b c d\"\r\n"));
  EXPECT_EQ(dir.read("out.csd"), "ss,n_,n2,n1,ss\r\n");
  EXPECT_EQ(z->JEFtoCSV(dir.name("in.jef"), dir.name("out.txt"),
                        u"k__0008 n__0005 n2_0006 p1_0003 x__0007", 0, true),
            1);
  EXPECT_EQ(dir.read("out.txt").size(),
            2 * sjis(u"\"東京　　\",\"-123\",\"12.5\",\".5\",\"a b c d\"\r\n").size());

  dir.write("empty.jef", "");
  EXPECT_EQ(z->JEFtoCSV(dir.name("empty.jef"), dir.name("empty.csv"), u"x__0001", 0, false), 0);
  EXPECT_FALSE(dir.exists("empty.csv"));
  EXPECT_EQ(z->JEFtoCSV(dir.name("in.jef"), dir.name("plain"), u"x__0014 x__0014", 0, false), 1);
  EXPECT_FALSE(dir.exists("plain.csd"));
  EXPECT_EQ(z->JEFtoCSV(dir.name("in.jef"), dir.name("cut.csv"), u"x__0013 x__0014", 0, false), -1);
  EXPECT_EQ(z->JEFtoCSV(dir.name("missing.jef"), dir.name("m.csv"), u"x__0001", 0, false), -1);
}

// Generated rows of every round-tripping field type go through the JEF form and back.
class JefRoundTripTest : public JefFileTest {
 protected:
  std::mt19937 random{20261207};

  int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }
  std::u16string pick(const std::u16string& alphabet, int n) {
    std::u16string s;
    for (int i = 0; i < n; ++i) s.push_back(alphabet[uniform(0, alphabet.size() - 1)]);
    return s;
  }
  static std::u16string number(long long scaled, int places) {
    std::string s = std::to_string(scaled < 0 ? -scaled : scaled);
    if (places > 0) {
      if (static_cast<int>(s.size()) <= places) s.insert(0, places + 1 - s.size(), '0');
      s.insert(s.size() - places, ".");
    }
    if (scaled < 0) s.insert(0, "-");
    return std::u16string(s.begin(), s.end());
  }
};

TEST_F(JefRoundTripTest, TableToJefAndBack) {
  component(97);
  const std::u16string kanji = u"山田太郎東京大阪株式会社営業部品番号", ascii = u"ABCXYZ019 -";
  exec(
      u"create table src (p numeric, n numeric, k varchar(10), x varchar(12), f varchar(7), "
      u"d varchar(10), t varchar(8), i integer)");
  exec(
      u"create table dst (p numeric, n numeric, k varchar(10), x varchar(12), f varchar(7), "
      u"d varchar(10), t varchar(8), i integer)");
  for (int r = 0; r < 600; ++r) {
    std::u16string x = uniform(0, 1) ? pick(ascii, uniform(1, 12)) : pick(kanji, uniform(1, 4));
    while (!x.empty() && x.back() == u' ') x.pop_back();
    char date[16], time[16];
    std::snprintf(date, sizeof date, "%04d.%02d.%02d", uniform(1990, 2030), uniform(1, 12),
                  uniform(1, 28));
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", uniform(0, 23), uniform(0, 59),
                  uniform(0, 59));
    std::u16string d(date, date + 10), t(time, time + 8);
    exec(u"insert into src values (" + number(uniform(-9999999, 9999999), 2) + u", " +
         number(uniform(-99999, 99999), 1) + u", '" + pick(kanji, uniform(0, 5)) + u"', '" + x +
         u"', '" + pick(u"0123456789", 7) + u"', '" + d + u"', '" + t + u"', " +
         number(uniform(-999, 999), 0) + u")");
  }
  const std::u16string out = u"p2_0009 n1_0006 k__0010 x__0012 f__0007 d__0008 t__0006 n__0004";
  const std::u16string in = u"p2_0009 n1_0006 k__0010 x__0012 f__0007 dt_0008 tm_0006 n__0004";
  EXPECT_EQ(z->CnvJefSFFile(*cn, u"select * from src", dir.name("rt.jef"), out, false), 600);
  EXPECT_EQ(z->SetJefRDB(*cn, u"", dir.name("rt.jef"), in, 0, u"dst"), 600);
  Rows before = rows(u"select * from src"), after = rows(u"select * from dst");
  // The k column comes back padded with ideographic spaces to its width.
  for (auto& row : before) row[2].append((10 - 2 * row[2].size()) / 2, u'\u3000');
  EXPECT_EQ(before, after);
}

TEST_F(JefRoundTripTest, CsvToJefAndBack) {
  component();
  const std::u16string kanji = u"山田太郎東京大阪株式会社", ascii = u"ABCXYZ019-";
  std::u16string csv;
  for (int r = 0; r < 700; ++r) {
    std::u16string fields[] = {number(uniform(-99999999, 99999999), 3),
                               number(uniform(-9999, 9999), 2), pick(kanji, 4),
                               pick(ascii, uniform(1, 10)), number(uniform(0, 999), 0)};
    for (auto& f : fields) {
      // The JEF side gives numbers back in the general number form.
      std::string n(f.begin(), f.end());
      if (&f != &fields[2] && &f != &fields[3]) {
        zuvo::String g = zuvo::rt::numberText(std::stod(n));
        f = g;
      }
      csv += u"\"" + f + u"\",";
    }
    csv.back() = u'\r';
    csv += u"\n";
  }
  dir.write("in.csv", sjis(csv));
  const std::u16string fds = u"p3_0011 n2r0006 k__0008 x__0010 n__0003";
  EXPECT_EQ(z->CSVtoJEF(dir.name("in.csv"), dir.name("rt.jef"), fds, false), 700);
  EXPECT_EQ(z->JEFtoCSV(dir.name("rt.jef"), dir.name("out.csv"), fds, 0, false), 700);
  EXPECT_EQ(zuvo::cp932::decode(dir.read("out.csv")), csv);
}
