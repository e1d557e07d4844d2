#include <gtest/gtest.h>

#include <filesystem>

#include "component/ZuvoCls.h"
#include "platform/Recording.h"
#include "runtime/Convert.h"

namespace zuvo {
namespace {

class SqlMacros : public ::testing::Test {
 protected:
  String on(int year, int month, int day, const String& sql, const Variant& tncd = u"A01") {
    recorder->fixedNow = rt::makeDate(year, month, day, 9, 30, 0);
    return z.CnvSQL(sql, tncd);
  }

  std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
  ZuvoCls z{recordingPlatform(recorder, std::filesystem::temp_directory_path())};
};

struct Expected {
  const char16_t* macro;
  const char16_t* monthEnd;  // on 2001.01.31
  const char16_t* yearEnd;   // on 2001.12.31
  const char16_t* leapDay;   // on 2000.03.01
};

TEST_F(SqlMacros, EveryDateMacroAcrossMonthYearAndLeapDay) {
  const Expected table[] = {
      {u"@today", u"'2001.01.31'", u"'2001.12.31'", u"'2000.03.01'"},
      {u"@toym%", u"'2001.01%'", u"'2001.12%'", u"'2000.03%'"},
      {u"@toym", u"'2001.01'", u"'2001.12'", u"'2000.03'"},
      {u"@toyy%", u"'2001%'", u"'2001%'", u"'2000%'"},
      {u"@toyy", u"'2001'", u"'2001'", u"'2000'"},
      {u"@ltday", u"'2001.01.30'", u"'2001.12.30'", u"'2000.02.29'"},
      {u"@ltym%", u"'2000.12%'", u"'2001.11%'", u"'2000.02%'"},
      {u"@ltym", u"'2000.12'", u"'2001.11'", u"'2000.02'"},
      {u"@ltyy%", u"'2000%'", u"'2000%'", u"'1999%'"},
      {u"@ltyy", u"'2000'", u"'2000'", u"'1999'"},
      {u"@ntday", u"'2001.02.01'", u"'2002.01.01'", u"'2000.03.02'"},
      {u"@ntym%", u"'2001.02%'", u"'2002.01%'", u"'2000.04%'"},
      {u"@ntym", u"'2001.02'", u"'2002.01'", u"'2000.04'"},
      {u"@ntyy%", u"'2002%'", u"'2002%'", u"'2001%'"},
      {u"@ntyy", u"'2002'", u"'2002'", u"'2001'"},
  };
  for (const Expected& row : table) {
    const String sql = String(u"where 日付 = ") + row.macro;
    SCOPED_TRACE(rt::toUtf8(row.macro));
    EXPECT_EQ(on(2001, 1, 31, sql), String(u"where 日付 = ") + row.monthEnd);
    EXPECT_EQ(on(2001, 12, 31, sql), String(u"where 日付 = ") + row.yearEnd);
    EXPECT_EQ(on(2000, 3, 1, sql), String(u"where 日付 = ") + row.leapDay);
  }
}

TEST_F(SqlMacros, StaffCodeAndLetterCase) {
  EXPECT_EQ(on(2001, 1, 31, u"担当者 = @TNCD"), u"担当者 = 'A01'");
  EXPECT_EQ(on(2001, 1, 31, u"@ToDay"), u"'2001.01.31'");
  // Inserted text is not searched again.
  EXPECT_EQ(on(2001, 1, 31, u"x = @tncd", u"@tncd"), u"x = '@tncd'");
  // A statement without "@tncd" never looks at the staff code.
  EXPECT_EQ(on(2001, 1, 31, u"x = @today", Variant::Null()), u"x = '2001.01.31'");
}

TEST_F(SqlMacros, EveryOccurrenceAndNothingElse) {
  EXPECT_EQ(on(2001, 1, 31, u"a = @today or b = @today"), u"a = '2001.01.31' or b = '2001.01.31'");
  EXPECT_EQ(on(2001, 1, 31, u"select * from t where a = 'x'"), u"select * from t where a = 'x'");
  EXPECT_EQ(on(2001, 1, 31, u"@todayx"), u"'2001.01.31'x");  // a word that begins with a macro
  EXPECT_EQ(on(2001, 1, 31, u"a like @toym% and b = @toym"),
            u"a like '2001.01%' and b = '2001.01'");
  EXPECT_EQ(on(2001, 1, 31, u"'@today'"), u"''2001.01.31''");
  EXPECT_EQ(on(2001, 1, 31, u""), u"");
}

TEST_F(SqlMacros, RunTimeErrors) {
  auto errorOf = [&](const Variant& sql, const Variant& tncd) {
    recorder->fixedNow = rt::makeDate(2001, 1, 31);
    try {
      z.CnvSQL(sql, tncd);
    } catch (const RuntimeError& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(errorOf(Variant::Null(), u"A01"), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf(u"a = @tncd", Variant::Null()), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf(u"a = @tncd", 12), err::TypeMismatch);
  EXPECT_EQ(errorOf(String(33000, u'x') + u"@today", u"A01"), err::Overflow);
  EXPECT_EQ(errorOf(String(30000, u'x') + u"@today", u"A01"), 0);
}

}  // namespace
}  // namespace zuvo
