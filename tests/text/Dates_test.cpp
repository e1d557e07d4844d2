#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "component/ZuvoCls.h"
#include "runtime/Convert.h"
#include "text/TextTesting.h"

namespace zuvo {
namespace {

using testing::errorOf;

class DateCalculation : public ::testing::Test {
 protected:
  ZuvoCls z;
  std::int16_t yb = -1;
  String ybnm = u"x", ybjp = u"x";

  std::int32_t calcDate(String dt) { return z.CalcDate(dt, yb, ybnm, ybjp); }
  String calcDays(const Variant& days) { return z.CalcDays(days, yb, ybnm, ybjp); }
};

TEST_F(DateCalculation, CalcDateGivesDayNumberAndWeekday) {
  EXPECT_EQ(calcDate(u"0001.01.01"), 1);
  EXPECT_EQ(yb, 1);
  EXPECT_EQ(ybnm, u"Mon");
  EXPECT_EQ(ybjp, u"月曜日");
  EXPECT_EQ(calcDate(u"2000.01.01"), 730120);
  EXPECT_EQ(yb, 6);
  EXPECT_EQ(ybnm, u"Sat");
  EXPECT_EQ(ybjp, u"土曜日");
  EXPECT_EQ(calcDate(u"9999.12.31"), 3652059);
  EXPECT_EQ(calcDate(u"2000/01/05"), calcDate(u"2000.01.05"));  // separators are not read
}

TEST_F(DateCalculation, CalcDateClampsTheDayAndRewritesTheText) {
  String dt = u"2000.02.30";
  EXPECT_EQ(z.CalcDate(dt, yb, ybnm, ybjp), 730120 + 31 + 28);
  EXPECT_EQ(dt, u"2000.02.29");
  dt = u"2000.02.00";
  z.CalcDate(dt, yb, ybnm, ybjp);
  EXPECT_EQ(dt, u"2000.02.29");
  dt = u"1900.02.29";
  EXPECT_EQ(z.CalcDate(dt, yb, ybnm, ybjp), calcDate(u"1900.02.28"));
  EXPECT_EQ(dt, u"1900.02.28");
  dt = u"2000.01.05";
  z.CalcDate(dt, yb, ybnm, ybjp);
  EXPECT_EQ(dt, u"2000.01.05");  // a valid day leaves the text alone
}

TEST_F(DateCalculation, CalcDateRefusesWhatIsNotADate) {
  for (const char16_t* dt :
       {u"2000.13.01", u"2000.00.01", u"0000.01.01", u"", u"abcd.ef.gh", u"9e99.01.01"}) {
    yb = 3;
    ybnm = ybjp = u"x";
    EXPECT_EQ(calcDate(dt), 0) << rt::toUtf8(dt);
    EXPECT_EQ(yb, 0);
    EXPECT_EQ(ybnm, u"");
    EXPECT_EQ(ybjp, u"");
  }
  // Day numbers before day 1 have no weekday.
  EXPECT_EQ(errorOf([&] { calcDate(u"0001.01.-5"); }), err::SubscriptOutOfRange);
}

TEST_F(DateCalculation, CalcDaysGivesTheDateText) {
  EXPECT_EQ(calcDays(3652059), u"9999.12.31");
  EXPECT_EQ(ybnm, u"Fri");
  EXPECT_EQ(calcDays(730120), u"2000.01.01");
  EXPECT_EQ(calcDays(1), u"0001.01.01");
  EXPECT_EQ(calcDays(1.5), u"0001.01.02");  // halves to even
  EXPECT_EQ(calcDays(u"730120"), u"2000.01.01");
  for (const Variant& out : {Variant(0), Variant(3652060), Variant(-1), Variant(0.9)}) {
    yb = 3;
    EXPECT_EQ(calcDays(out), u"");
    EXPECT_EQ(yb, 0);
    EXPECT_EQ(ybnm, u"");
  }
  EXPECT_EQ(errorOf([&] { calcDays(Variant::Null()); }), err::InvalidUseOfNull);
}

// Every day of whole years against the standard library's proleptic Gregorian calendar.
TEST_F(DateCalculation, DayNumbersAgreeWithTheProlepticGregorianCalendar) {
  using namespace std::chrono;
  const sys_days dayOne = year{1} / January / 1;
  for (int y : {1, 4, 100, 1582, 1600, 1899, 1900, 2000, 2024, 2100, 9999}) {
    for (sys_days day = year{y} / January / 1; day <= sys_days(year{y} / December / 31);
         day += days{1}) {
      const year_month_day ymd{day};
      char text[16];
      std::snprintf(text, sizeof text, "%04d.%02u.%02u", int(ymd.year()), unsigned(ymd.month()),
                    unsigned(ymd.day()));
      const String dt = rt::fromUtf8(text);
      const std::int32_t expected = std::int32_t((day - dayOne).count() + 1);
      const auto dayOfWeek = std::int16_t(std::chrono::weekday{day}.c_encoding());

      ASSERT_EQ(calcDate(dt), expected) << text;
      ASSERT_EQ(yb, dayOfWeek) << text;
      ASSERT_EQ(calcDays(expected), dt) << text;
      ASSERT_EQ(yb, dayOfWeek) << text;
    }
  }
}

TEST_F(DateCalculation, CalcDDMovesByDays) {
  EXPECT_EQ(z.CalcDD(u"2000.02.28", 1), u"2000.02.29");
  EXPECT_EQ(z.CalcDD(u"2000.03.01", -1), u"2000.02.29");
  EXPECT_EQ(z.CalcDD(u"2001.12.31", 1), u"2002.01.01");
  EXPECT_EQ(z.CalcDD(u"2000.02.30", 1), u"2000.03.01");  // clamped first
  EXPECT_EQ(z.CalcDD(u"junk", 5), u"0001.01.05");        // not a date: day 0
  EXPECT_EQ(z.CalcDD(u"junk", 0), u"");
  EXPECT_EQ(z.CalcDD(u"9999.12.31", 1), u"");
  EXPECT_EQ(errorOf([&] { z.CalcDD(Variant::Null(), 1); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { z.CalcDD(u"2000.01.01", Variant::Null()); }), err::InvalidUseOfNull);
}

TEST_F(DateCalculation, CalcMMMovesByMonthsWithoutAdjustingTheDay) {
  EXPECT_EQ(z.CalcMM(u"2000.01.15", -1), u"1999.12.15");
  EXPECT_EQ(z.CalcMM(u"2000.12.15", 1), u"2001.01.15");
  EXPECT_EQ(z.CalcMM(u"2000.01.15", -13), u"1998.12.15");
  EXPECT_EQ(z.CalcMM(u"2000.03.31", -1), u"2000.02.31");
  EXPECT_EQ(z.CalcMM(u"2000.01.15", -12), u"1999.01.15");
  EXPECT_EQ(z.CalcMM(u"2000.12.15", -12), u"1999.12.15");
  EXPECT_EQ(z.CalcMM(u"2000.01.15", 24), u"2002.01.15");
  EXPECT_EQ(z.CalcMM(u"2000.01.15", 1.5), u"2000.02.15");  // 2.5 rounds to even
  EXPECT_EQ(z.CalcMM(u"2000.02.15", 1.5), u"2000.04.15");
  EXPECT_EQ(z.CalcMM(u"9999.12.15", 1), u"9999.01.15");  // year clamped
  EXPECT_EQ(z.CalcMM(u"0001.01.15", -1), u"0001.12.15");
  EXPECT_EQ(z.CalcMM(u"2000.13.15", 1), u"");
  EXPECT_EQ(z.CalcMM(u"0000.01.15", 1), u"");
  EXPECT_EQ(errorOf([&] { z.CalcMM(u"2000.01.15", 40000); }), err::Overflow);
  EXPECT_EQ(errorOf([&] { z.CalcMM(Variant::Null(), 1); }), err::InvalidUseOfNull);
}

TEST_F(DateCalculation, CalcYYMovesByYears) {
  EXPECT_EQ(z.CalcYY(u"2000.02.29", 1), u"2001.02.29");
  EXPECT_EQ(z.CalcYY(u"9999.01.01", 1), u"9999.01.01");
  EXPECT_EQ(z.CalcYY(u"0002.01.01", -5), u"0001.01.01");
  EXPECT_EQ(z.CalcYY(u"0000.01.01", 1), u"");
  EXPECT_EQ(errorOf([&] { z.CalcYY(u"2000.01.01", 40000); }), err::Overflow);
  EXPECT_EQ(errorOf([&] { z.CalcYY(Variant::Null(), 1); }), err::InvalidUseOfNull);
}

}  // namespace
}  // namespace zuvo
