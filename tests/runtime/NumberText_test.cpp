#include "runtime/NumberText.h"

#include <gtest/gtest.h>

#include "runtime/Convert.h"
#include "runtime/RuntimeError.h"

using namespace zuvo;

TEST(Val, ReadsTheLeadingNumber) {
  EXPECT_EQ(rt::val(u"12abc"), 12);
  EXPECT_EQ(rt::val(u"1,234abc"), 1);
  EXPECT_EQ(rt::val(u"1 2 3"), 123);
  EXPECT_EQ(rt::val(u" \t-1\n2.5x"), -12.5);
  EXPECT_EQ(rt::val(u"1.2.3"), 1.2);
  EXPECT_EQ(rt::val(u"1e3"), 1000);
  EXPECT_EQ(rt::val(u"2D2"), 200);
  EXPECT_EQ(rt::val(u"1e"), 1);
  EXPECT_EQ(rt::val(u".5"), 0.5);
  EXPECT_EQ(rt::val(u""), 0);
  EXPECT_EQ(rt::val(u"abc"), 0);
  EXPECT_EQ(rt::val(u"-"), 0);
  EXPECT_EQ(rt::val(u"\uFF11"), 0);  // full-width digits are not digits here
}

TEST(Val, HexAndOctal) {
  EXPECT_EQ(rt::val(u"&H1F"), 31);
  EXPECT_EQ(rt::val(u"&h1fz"), 31);
  EXPECT_EQ(rt::val(u"&HFFFF"), -1);
  EXPECT_EQ(rt::val(u"&H10000"), 65536);
  EXPECT_EQ(rt::val(u"&HFFFFFFFF"), -1);
  EXPECT_EQ(rt::val(u"&O17"), 15);
  EXPECT_EQ(rt::val(u"&O8"), 0);
  EXPECT_EQ(rt::val(u"&H"), 0);
  EXPECT_EQ(rt::val(u"&X1"), 0);
}

TEST(Val, OverflowRaisesSix) {
  EXPECT_THROW(rt::val(u"1e999"), RuntimeError);
  EXPECT_THROW(rt::val(u"&H100000000"), RuntimeError);
  EXPECT_EQ(rt::val(u"1e-999"), 0);
}

TEST(Str, GeneralNumberForm) {
  EXPECT_EQ(rt::str(5), u" 5");
  EXPECT_EQ(rt::str(-5), u"-5");
  EXPECT_EQ(rt::str(0.5), u" .5");
  EXPECT_EQ(rt::str(-0.25), u"-.25");
  EXPECT_EQ(rt::str(1e15), u" 1E+15");
  EXPECT_EQ(rt::str(1.5e-7), u" 1.5E-07");
  EXPECT_EQ(rt::str(0), u" 0");
  EXPECT_EQ(rt::str(-0.0), u" 0");
  EXPECT_EQ(rt::str(123456789012345.0), u" 123456789012345");
  EXPECT_EQ(rt::str(1.0 / 3), u" .333333333333333");
  EXPECT_EQ(rt::numberText(1234.5), u"1234.5");
  EXPECT_EQ(rt::numberText(0.5), u".5");
  EXPECT_EQ(rt::numberText(-1e100), u"-1E+100");
  EXPECT_THROW(rt::str(std::numeric_limits<double>::infinity()), RuntimeError);
  EXPECT_THROW(rt::numberText(std::numeric_limits<double>::quiet_NaN()), RuntimeError);
}

TEST(Rounding, HalvesToEvenWithOverflow) {
  EXPECT_EQ(rt::roundToLong(2.5), 2);
  EXPECT_EQ(rt::roundToLong(3.5), 4);
  EXPECT_EQ(rt::roundToLong(-2.5), -2);
  EXPECT_EQ(rt::roundToLong(2147483647.4), 2147483647);
  EXPECT_THROW(rt::roundToLong(2147483647.5), RuntimeError);
  EXPECT_EQ(rt::roundToInteger(-32768.4), -32768);
  EXPECT_THROW(rt::roundToInteger(32767.5), RuntimeError);
  EXPECT_THROW(rt::roundToLong(std::numeric_limits<double>::quiet_NaN()), RuntimeError);
}
