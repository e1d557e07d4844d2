// Values crafted to change a statement the library builds from caller or file text: quotes,
// semicolons, comment marks and a second statement. Whatever the value, the statement that
// runs is the one intended: the tables stay, no row appears that should not, and the value is
// stored as written (or, where the library cleans or refuses it, cleaned or refused).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "database/ServicesFixture.h"
#include "platform/Cp932.h"
#include "platform/TempDir.h"

namespace zuvo::test {
namespace {

// Every one of them breaks a statement that puts it between quotes without escaping.
const std::vector<String> kCrafted = {
    u"'; drop table victim; --",
    u"x' or '1'='1",
    u"x'); delete from victim; --",
    u"x'/*",
    u"*/ 'y",
    u"x' --",
    u"x\\'; drop table victim; --",  // a backslash that would escape the quote elsewhere
    u"1; drop table victim",
    u"\"q\"; drop table victim",
};

// The number placeholder the masters put into their statements before the number is known.
const String kPlaceholder = u"@番号";

// A SQL literal for the test's own queries.
String q(const String& value) {
  return u"'" + rt::replaceAll(value, u"'", u"''") + u"'";
}

String decimal(std::int64_t n) {
  return rt::fromUtf8(std::to_string(n));
}

class InjectionTest : public ServicesFixture {
 protected:
  void SetUp() override {
    ServicesFixture::SetUp();
    if (IsSkipped()) return;
    createTable(u"victim", u"x varchar(60)");
    cn->Execute(u"insert into victim values ('intact')");
    std::filesystem::copy_file(std::filesystem::path(ZUVO_SOURCE_DIR) / "data" / "sjisjef.tbl",
                               home / "sjisjef.tbl");
  }

  String text(const String& sql) { return rt::toText(scalar(sql)); }

  // The sentinel table still holds exactly its one row, and every master is still there.
  ::testing::AssertionResult intact() {
    try {
      auto rs = cn->OpenResultset(u"select x from victim");
      std::vector<String> rows;
      for (; !rs->IsEOF(); rs->MoveNext()) rows.push_back(rt::toText(rs->rdoColumns()[0].Value()));
      rs->Close();
      if (rows != std::vector<String>{u"intact"})
        return ::testing::AssertionFailure() << "victim holds " << rows.size() << " rows";
      for (const char16_t* table : {u"社員マスタ", u"seqm", u"pgmm", u"msgm", u"logm"})
        count(table);
    } catch (const std::exception& e) {
      return ::testing::AssertionFailure() << e.what();
    }
    return ::testing::AssertionSuccess();
  }

  // A crafted value must come back as written. A stricter database than SQLite may refuse a
  // value longer than its column; then no row may hold anything else.
  void expectStored(const String& sql, const String& written) {
    auto rs = cn->OpenResultset(sql);
    if (rs->IsEOF()) {
      EXPECT_TRUE(isOdbc()) << "no row for " << rt::toUtf8(written);
    } else {
      // Fixed-width columns come back padded with blanks.
      EXPECT_EQ(rt::rtrim(rt::toText(rs->rdoColumns()[0].Value())), written);
    }
    rs->Close();
  }
};

INSTANTIATE_TEST_SUITE_P(Backends, InjectionTest, backends(), backendName);

TEST_P(InjectionTest, LoginLooksUpTheStaffNumberAsWritten) {
  cn->Execute(u"insert into 社員マスタ values ('S001', '山田', '01', '02', '03', '5', 'pw', 'k')");
  String jgcd, bucd, kacd, level;
  for (const String& id : kCrafted) {
    // The right password of another staff member must not let a crafted number in.
    EXPECT_EQ(z->ChkPass(*cn, u"社員マスタ", id, u"kpw", jgcd, bucd, kacd, level), u"")
        << rt::toUtf8(id);
    EXPECT_EQ(jgcd + bucd + kacd + level, u"");
    EXPECT_TRUE(intact()) << rt::toUtf8(id);
  }
  // A staff number holding a quote is found, and only it.
  cn->Execute(u"insert into 社員マスタ values ('o''b--', '大西', '09', '08', '07', '1', 'p', '')");
  EXPECT_EQ(z->ChkPass(*cn, u"社員マスタ", u"o'b--", u"p", jgcd, bucd, kacd, level), u"大西");
  EXPECT_EQ(jgcd + bucd + kacd + level, u"0908071");
}

TEST_P(InjectionTest, SequenceValuesAreStoredAsWritten) {
  std::int32_t drawn = 0, calls = 0;
  for (const String& crafted : kCrafted) {
    // key, staff code, date and time in turn hold the crafted value.
    for (int role = 0; role < 4; ++role) {
      SCOPED_TRACE(rt::toUtf8(crafted) + " as value " + std::to_string(role));
      String key = role == 0 ? crafted : u"K" + decimal(calls++);
      String tncd = role == 1 ? crafted : u"T01";
      String todt = role == 2 ? crafted : u"2000.11.23";
      String totm = role == 3 ? crafted : u"10:30:05";
      String sql, seqs;
      std::int32_t n = z->GetSEQ(*cn, u"seqm", *counterQuery, *counterRows, key, 1, sql, u"", u"",
                                 tncd, todt, totm, seqs);
      EXPECT_TRUE(intact());
      if (n == -1 && isOdbc()) continue;  // longer than its column
      ASSERT_EQ(n, 1);
      ++drawn;
      EXPECT_EQ(count(u"seqm"), drawn);
      expectStored(
          u"select 更新担当者 || '|' || 更新日付 || '|' || 更新時間 from seqm where キー = " +
              q(key),
          tncd + u"|" + todt + u"|" + totm);
      // Drawing again updates the same row.
      EXPECT_EQ(z->GetSEQ(*cn, u"seqm", *counterQuery, *counterRows, key, 1, sql, u"", u"", tncd,
                          todt, totm, seqs),
                2);
      EXPECT_EQ(count(u"seqm"), drawn);
    }
  }
}

TEST_P(InjectionTest, ProgramMasterStoresNamesTitlesAndCodesAsWritten) {
  std::int32_t rows = 0;
  for (const String& crafted : kCrafted) {
    SCOPED_TRACE(rt::toUtf8(crafted));
    const String name = rt::lower(crafted);  // the master keeps program names in lower case
    z->WritePGMm(*cn, u"pgmm", crafted, crafted, u"~|~1999.04.01 ver 1.00 初版~|~", u"T01");
    z->WritePGMm(*cn, u"pgmm", u"p" + decimal(rows), u"title", u"~|~1999.04.01 ver 1.00~|~",
                 crafted);
    EXPECT_TRUE(intact());
    if (isOdbc()) continue;
    rows += 2;
    EXPECT_EQ(count(u"pgmm"), rows);
    expectStored(u"select タイトル from pgmm where プログラム = " + q(name), crafted);
    expectStored(u"select 更新担当者 from pgmm where プログラム = " + q(u"p" + decimal(rows - 2)),
                 crafted);
    // The second run of a crafted name finds its row and updates it.
    z->WritePGMm(*cn, u"pgmm", crafted, crafted, u"~|~1999.04.01 ver 1.00 初版~|~", crafted);
    EXPECT_EQ(count(u"pgmm"), rows);
    expectStored(u"select 実行回数 from pgmm where プログラム = " + q(name), u"2");
  }
  if (!isOdbc()) {
    EXPECT_TRUE(recorder->messages.empty());
  }
}

TEST_P(InjectionTest, MessageMasterStoresEveryValueAsWritten) {
  const std::vector<const char16_t*> columns = {u"プログラム", nullptr,       u"事業所", u"担当者",
                                                u"メッセージ", u"エラー内容", u"SQL"};
  std::int32_t written = 0;
  for (const String& crafted : kCrafted) {
    // program name, title, office, staff, message, error text and statement in turn.
    for (std::size_t role = 0; role < columns.size(); ++role) {
      SCOPED_TRACE(rt::toUtf8(crafted) + " as value " + std::to_string(role));
      auto value = [&](std::size_t r, const String& plain) { return role == r ? crafted : plain; };
      std::size_t shown = recorder->messages.size();
      z->WriteMSGm(*cn, u"msgm", u"logm", u"seqm", *counterQuery, *counterRows,
                   value(0, u"sales.exe"), value(1, u"販売"), value(2, u"01"), value(3, u"T01"),
                   value(4, u"msg"), value(5, u"err"), value(6, u"update t set a = 'b'"));
      EXPECT_TRUE(intact());
      if (recorder->messages.size() != shown && isOdbc()) continue;  // longer than its column
      ASSERT_EQ(recorder->messages.size(), shown) << rt::toUtf8(recorder->messages.back().text);
      ++written;
      EXPECT_EQ(count(u"msgm"), written);
      EXPECT_EQ(count(u"logm"), 2 * written);
      if (columns[role]) {
        expectStored(
            u"select " + String(columns[role]) + u" from msgm where 番号 = " + decimal(written),
            role == 0 ? rt::lower(crafted) : crafted);
      }
    }
  }
}

TEST_P(InjectionTest, LogMasterStoresEveryValueAsWritten) {
  const std::vector<const char16_t*> columns = {u"事業所", u"担当者",   u"日付",
                                                u"時間",   u"取引区分", u"SQL"};
  std::int32_t written = 0;
  for (const String& value : kCrafted) {
    for (std::size_t role = 0; role < columns.size(); ++role) {
      SCOPED_TRACE(rt::toUtf8(value) + " as value " + std::to_string(role));
      auto pick = [&](std::size_t r, const String& plain) { return role == r ? value : plain; };
      const String todt = pick(2, u"2000.11.23");
      std::int32_t no = 0;
      std::int16_t edbn = 0;
      // Two rows of one group: the first draws the number, the second reuses it.
      for (int branch = 1; branch <= 2; ++branch) {
        bool ok = z->WriteLOGm(*cn, u"logm", u"seqm", *counterQuery, *counterRows, u"title",
                               pick(0, u"01"), pick(1, u"T01"), todt, pick(3, u"10:30:05"), no,
                               edbn, pick(4, u"1"), 7, pick(5, u"delete from t"));
        EXPECT_TRUE(intact());
        if (!ok && isOdbc()) break;  // longer than its column
        ASSERT_TRUE(ok);
        ++written;
        EXPECT_EQ(count(u"logm"), written);
        expectStored(u"select " + String(columns[role]) + u" from logm where 日付 = " + q(todt) +
                         u" and 番号 = " + decimal(no) + u" and 枝番 = " + decimal(branch),
                     value);
      }
    }
  }
}

TEST_P(InjectionTest, LogMasterStoresAPlaceholderInDateOrTimeAsWritten) {
  for (int role = 0; role < 2; ++role) {
    const String todt = role == 0 ? kPlaceholder : u"2000.11.23";
    const String totm = role == 1 ? kPlaceholder : u"10:30:05";
    std::int32_t no = 0;
    std::int16_t edbn = 0;
    for (int branch = 1; branch <= 2; ++branch) {
      EXPECT_TRUE(z->WriteLOGm(*cn, u"logm", u"seqm", *counterQuery, *counterRows, u"title", u"01",
                               u"T01", todt, totm, no, edbn, u"1", 7, u"delete from t"));
      expectStored(u"select 日付 || ' ' || 時間 from logm where 日付 = " + q(todt) +
                       u" and 番号 = " + decimal(no) + u" and 枝番 = " + decimal(branch),
                   todt + u" " + totm);
    }
  }
  EXPECT_TRUE(intact());
}

TEST_P(InjectionTest, PlaceholderInMessageValuesIsStoredAsWritten) {
  z->WriteMSGm(*cn, u"msgm", u"logm", u"seqm", *counterQuery, *counterRows, kPlaceholder,
               kPlaceholder, kPlaceholder, kPlaceholder, kPlaceholder, kPlaceholder, kPlaceholder);
  EXPECT_TRUE(recorder->messages.empty());
  expectStored(u"select メッセージ || SQL || 担当者 from msgm where 番号 = 1",
               kPlaceholder + kPlaceholder + kPlaceholder);
  std::int32_t no = 0;
  std::int16_t edbn = 0;
  EXPECT_TRUE(z->WriteLOGm(*cn, u"logm", u"seqm", *counterQuery, *counterRows, u"t", kPlaceholder,
                           kPlaceholder, u"2000.11.24", u"10:00:00", no, edbn, kPlaceholder, 0,
                           kPlaceholder));
  expectStored(u"select 事業所 || 担当者 || 取引区分 || SQL from logm where 日付 = '2000.11.24'",
               kPlaceholder + kPlaceholder + kPlaceholder + kPlaceholder);
  EXPECT_TRUE(intact());
}

TEST_P(InjectionTest, MacroStaffCodeCannotChangeTheStatement) {
  for (const String& crafted : kCrafted) {
    SCOPED_TRACE(rt::toUtf8(crafted));
    cn->Execute(u"insert into victim values (" + q(crafted) + u")");
    String deleting = z->CnvSQL(String(u"delete from victim where x = @tncd"), crafted);
    EXPECT_NO_THROW(cn->Execute(deleting)) << rt::toUtf8(deleting);
    EXPECT_TRUE(intact()) << rt::toUtf8(deleting);
    cn->Execute(u"delete from victim where x <> 'intact'");
  }
}

// --- Imports: values read from files --------------------------------------------------------

class ImportInjectionTest : public InjectionTest {
 protected:
  void SetUp() override {
    InjectionTest::SetUp();
    if (IsSkipped()) return;
    createTable(u"imp", u"code varchar(60), amount integer");
  }
  static std::string sjis(const String& s) { return cp932::encode(s); }

  // imp holds exactly these codes, in any order, and nothing else happened.
  void expectCodes(std::vector<String> codes) {
    std::vector<String> stored;
    auto rs = cn->OpenResultset(u"select code from imp order by amount");
    for (; !rs->IsEOF(); rs->MoveNext()) stored.push_back(rt::toText(rs->rdoColumns()[0].Value()));
    rs->Close();
    EXPECT_EQ(stored, codes);
    EXPECT_TRUE(intact());
  }

  // What the imports make of a text value: comma, apostrophe and double quote blanked, then
  // the trailing blanks dropped.
  static String cleaned(const String& s) {
    String out = s;
    for (char16_t& c : out)
      if (c == u',' || c == u'\'' || c == u'"') c = u' ';
    return rt::rtrim(out);
  }

  zuvo::testing::TempDir dir;
};

INSTANTIATE_TEST_SUITE_P(Backends, ImportInjectionTest, backends(), backendName);

TEST_P(ImportInjectionTest, CsvTextValuesAreCleaned) {
  std::string file = "\"code\",\"amount\"\r\n";
  std::vector<String> expected;
  for (std::size_t i = 0; i < kCrafted.size(); ++i) {
    // A double quote would end the quoted field, so the CSV form carries none.
    String value = rt::replaceAll(kCrafted[i], u"\"", u"");
    file += "\"" + sjis(value) + "\"," + std::to_string(i) + "\r\n";
    expected.push_back(cleaned(value));
  }
  dir.write("in.csv", file);
  EXPECT_EQ(z->SetRDB(*cn, u"", dir.name("in.csv"), u"imp"),
            static_cast<std::int32_t>(kCrafted.size()));
  expectCodes(expected);
}

TEST_P(ImportInjectionTest, CsvNumberFieldsThatAreNoNumbersAreRefused) {
  for (const char* field :
       {"1); drop table victim; --", "1 or 1=1", "(select count(*) from victim)", "1/*", "1--",
        "0x10", "1'", "1;delete from victim"}) {
    SCOPED_TRACE(field);
    dir.write("in.csv", std::string("\"code\",\"amount\"\r\n\"a\",1\r\n\"b\",") + field + "\r\n");
    EXPECT_EQ(z->SetRDB(*cn, u"", dir.name("in.csv"), u"imp"), -1);
    expectCodes({});
  }
}

TEST_P(ImportInjectionTest, FixedLengthValuesAreCleanedOrReadAsNumbers) {
  std::string file;
  std::vector<String> expected;
  for (std::size_t i = 0; i < kCrafted.size(); ++i) {
    std::string code = sjis(kCrafted[i]);
    code.resize(40, ' ');
    // The number field holds a statement after its digits: only the number is taken.
    std::string amount = std::to_string(i) + ");drop table victim;--";
    amount.resize(30, ' ');
    file += code + amount + "\r\n";
    expected.push_back(cleaned(kCrafted[i]));
  }
  dir.write("in.txt", file);
  EXPECT_EQ(z->SetFixRDB(*cn, u"", dir.name("in.txt"), u"x_l0040 n__0030", 0, u"imp"),
            static_cast<std::int32_t>(kCrafted.size()));
  expectCodes(expected);
  EXPECT_EQ(text(u"select sum(amount) from imp"), decimal(36));
}

TEST_P(ImportInjectionTest, JefValuesAreCleanedOrReadAsNumbers) {
  // Text in the number field too: the import reads it as a zoned number.
  createTable(u"src", u"code varchar(60), amount varchar(30), k integer");
  std::vector<String> expected;
  for (std::size_t i = 0; i < kCrafted.size(); ++i) {
    cn->Execute(u"insert into src values (" + q(kCrafted[i]) + u", " +
                q(decimal(static_cast<std::int64_t>(i)) + u");drop table victim;--") + u", " +
                decimal(static_cast<std::int64_t>(i)) + u")");
    expected.push_back(cleaned(kCrafted[i]));
  }
  ASSERT_EQ(z->CnvJefSFFile(*cn, u"select code, amount from src order by k", dir.name("in.jef"),
                            u"x_l0040 x_l0030", false),
            static_cast<std::int32_t>(kCrafted.size()));
  std::int32_t loaded = z->SetJefRDB(*cn, u"", dir.name("in.jef"), u"x_l0040 n__0030", 0, u"imp");
  // Letters in a zoned field are a decoding failure: loaded and reported, or refused.
  EXPECT_TRUE(loaded == -1 || loaded == static_cast<std::int32_t>(kCrafted.size())) << loaded;
  auto rs = cn->OpenResultset(u"select code from imp order by amount");
  std::vector<String> stored;
  for (; !rs->IsEOF(); rs->MoveNext()) stored.push_back(rt::toText(rs->rdoColumns()[0].Value()));
  rs->Close();
  for (const String& code : stored)
    EXPECT_NE(std::find(expected.begin(), expected.end(), code), expected.end())
        << rt::toUtf8(code);
  EXPECT_TRUE(intact());
}

TEST_P(ImportInjectionTest, TableNamesThatCarrySqlAreRefused) {
  dir.write("in.csv", "\"code\",\"amount\"\r\n\"a\",1\r\n");
  dir.write("in.txt", "a                                       000001\r\n");
  ASSERT_EQ(z->CnvJefSFFile(*cn, u"select 'a', 1", dir.name("in.jef"), u"x_l0040 n__0006", false),
            1);
  for (const char16_t* table :
       {u"imp values ('a', 1); drop table victim; --", u"imp; drop table victim", u"imp--",
        u"imp/*", u"victim where 1=0; drop table victim; insert into imp"}) {
    SCOPED_TRACE(rt::toUtf8(table));
    EXPECT_EQ(z->SetRDB(*cn, u"", dir.name("in.csv"), table), -1);
    EXPECT_EQ(z->SetFixRDB(*cn, u"", dir.name("in.txt"), u"x_l0040 n__0006", 0, table), -1);
    EXPECT_EQ(z->SetJefRDB(*cn, u"", dir.name("in.jef"), u"x_l0040 n__0006", 0, table), -1);
    expectCodes({});
  }
}

}  // namespace
}  // namespace zuvo::test
