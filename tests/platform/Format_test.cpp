#include "platform/Format.h"

#include <gtest/gtest.h>

#include "runtime/Convert.h"

using namespace zuvo;

TEST(Format, NumberPlaceholders) {
  EXPECT_EQ(format(1234, u"#,##0"), u"1,234");
  EXPECT_EQ(format(1234567.891, u"#,##0.00"), u"1,234,567.89");
  EXPECT_EQ(format(12345, u"#,##0"), u"12,345");
  EXPECT_EQ(format(0, u"#,##0"), u"0");
  EXPECT_EQ(format(1, u"00"), u"01");
  EXPECT_EQ(format(123, u"00"), u"123");
  EXPECT_EQ(format(0, u"#"), u"");
  EXPECT_EQ(format(0.5, u"#"), u"1");
  EXPECT_EQ(format(2.5, u"0"), u"3");
  EXPECT_EQ(format(-2.5, u"0"), u"-3");
  EXPECT_EQ(format(2.675, u"0.00"), u"2.68");
  EXPECT_EQ(format(1.5, u"0.00"), u"1.50");
  EXPECT_EQ(format(1.5, u"0.##"), u"1.5");
  EXPECT_EQ(format(0.5, u"#.##"), u".5");
  EXPECT_EQ(format(12.5, u".00"), u"12.50");
  EXPECT_EQ(format(9.996, u"0.00"), u"10.00");
  EXPECT_EQ(format(1e20, u"0"), u"100000000000000000000");
  EXPECT_EQ(format(0.25, u"0%"), u"25%");
  EXPECT_EQ(format(1234567, u"#,"), u"1235");
}

TEST(Format, NumberSignsAndLiterals) {
  EXPECT_EQ(format(-5, u"##0"), u"-5");
  EXPECT_EQ(format(-1234, u"#,##0"), u"-1,234");
  EXPECT_EQ(format(-0.001, u"0.00"), u"0.00");
  EXPECT_EQ(format(20000105, u"0000/00/00"), u"2000/01/05");
  EXPECT_EQ(format(105, u"0000/00/00"), u"0000/01/05");
  EXPECT_EQ(format(1234567, u"000-0000"), u"123-4567");
  EXPECT_EQ(format(5, u"\"No.\"000"), u"No.005");
  EXPECT_EQ(format(-5, u"0;(0)"), u"(5)");
  EXPECT_EQ(format(0, u"0;(0);\"zero\""), u"zero");
  EXPECT_EQ(format(123.456, u"000000.00"), u"000123.46");
  EXPECT_EQ(format(12345678, u"000000"), u"12345678");  // integer digits are never cut
}

TEST(Format, ValuesOfOtherKinds) {
  EXPECT_EQ(format(u"1234", u"#,##0"), u"1,234");
  EXPECT_EQ(format(u" 1,234.5 ", u"0.00"), u"1234.50");
  EXPECT_EQ(format(u"abc", u"#,##0"), u"abc");
  EXPECT_EQ(format(u"", u"0"), u"");
  EXPECT_EQ(format(Decimal::parse("0.125"), u"0.00"), u"0.13");
  EXPECT_EQ(format(Decimal::parse("12345678901234567890.5"), u"0"), u"12345678901234567891");
  EXPECT_EQ(format(true, u"0"), u"-1");
  EXPECT_EQ(format(Variant(), u"0"), u"0");
  EXPECT_EQ(format(Variant::Null(), u"0"), u"");
  EXPECT_EQ(format(0.5, u""), u"0.5");
  EXPECT_EQ(format(true, u""), u"True");
}

TEST(Format, TextPlaceholders) {
  EXPECT_EQ(format(u"ab", u"@@@@@"), u"   ab");
  EXPECT_EQ(format(u"abcdef", u"@@@"), u"abcdef");
  EXPECT_EQ(format(u"1234567", u"@@@-@@@@"), u"123-4567");
  EXPECT_EQ(format(u"ab", u"!@@@@"), u"ab  ");
  EXPECT_EQ(format(u"ab", u"&&&&"), u"ab");
  EXPECT_EQ(format(u"ab", u">@@"), u"AB");
  EXPECT_EQ(format(12, u"@@@@"), u"  12");
  EXPECT_EQ(format(u"", u"@@"), u"  ");
}

TEST(Format, DatePatterns) {
  Date d = rt::makeDate(2000, 1, 5, 9, 7, 3);
  EXPECT_EQ(format(d, u"yyyy.mm.dd"), u"2000.01.05");
  EXPECT_EQ(format(d, u"yyyy/m/d"), u"2000/1/5");
  EXPECT_EQ(format(d, u"yy-mm"), u"00-01");
  EXPECT_EQ(format(d, u"hh:nn:ss"), u"09:07:03");
  EXPECT_EQ(format(d, u"hh:mm"), u"09:07");
  EXPECT_EQ(format(d, u"yyyymmddhhnnss"), u"20000105090703");
  EXPECT_EQ(format(d, u"ddd mmm"), u"Wed Jan");
  EXPECT_EQ(format(u"2000/01/05", u"yyyy.mm.dd"), u"2000.01.05");
  EXPECT_EQ(format(36530.0, u"yyyy.mm.dd"), u"2000.01.05");
  EXPECT_EQ(format(u"not a date", u"yyyy"), u"not a date");
  EXPECT_EQ(format(d, u""), u"2000/01/05 09:07:03");
}

// One reading of a pattern serves many values, appending each; the result tells whether a
// number came out and whether a "-" was put in front of it.
TEST(Format, PatternReadOnceAppendsAndTellsTheSign) {
  using Formatted = FormatPattern::Formatted;
  struct Case {
    const char16_t* pattern;
    Variant value;
    const char16_t* expected;
    Formatted how;
  };
  const Case cases[] = {
      {u"0000.00", -12.5, u"-0012.50", Formatted::Negative},
      {u"0000.00", 12.5, u"0012.50", Formatted::Number},
      {u"0.00", -0.001, u"0.00", Formatted::Number},  // rounded to zero: no sign
      {u"0;(0)", -5, u"(5)", Formatted::Number},
      {u"000", u"-7", u"-007", Formatted::Negative},
      {u"000", u"abc", u"abc", Formatted::AsIs},
      {u"000", Variant::Null(), u"", Formatted::AsIs},
      {u"@@@", 12, u" 12", Formatted::AsIs},
      {u"", -1, u"-1", Formatted::AsIs},
  };
  for (const Case& c : cases) {
    const FormatPattern pattern(c.pattern);
    String out = u"|";
    EXPECT_EQ(pattern.appendTo(out, c.value), c.how) << rt::toUtf8(c.pattern);
    EXPECT_EQ(out, u"|" + String(c.expected)) << rt::toUtf8(c.pattern);
  }
  const FormatPattern digits(u"00000");
  String out;
  for (double v : {123.0, -0.5, 4.0, 1234567.0}) digits.appendTo(out, v);
  EXPECT_EQ(out,
            u"00123-0000100004"
            u"1234567");
}

// A Double is taken at fifteen significant digits, whatever digits would read it back.
TEST(Format, DoublesAreTakenAtFifteenDigits) {
  EXPECT_EQ(format(0.1 + 0.2, u"0.00000000000000000"), u"0.30000000000000000");
  EXPECT_EQ(format(1.0 / 3, u"0.00000000000000000"), u"0.33333333333333300");
  EXPECT_EQ(format(-2.0 / 3, u"0.00000000000000000"), u"-0.66666666666666700");
  EXPECT_EQ(format(123456789012345678.0, u"0"), u"123456789012346000");
  EXPECT_EQ(format(0.25, u"0.00000000000000000"), u"0.25000000000000000");
}
