#include "convert/ValueText.h"

#include <gtest/gtest.h>

#include "runtime/Convert.h"

using zuvo::Variant;
using zuvo::convert::columnText;
using zuvo::convert::defaultText;

TEST(DefaultTextTest, NumbersReadBackToTheSameValue) {
  EXPECT_EQ(defaultText(Variant(0.5)), u"0.5");
  EXPECT_EQ(defaultText(Variant(0.1 + 0.2)), u"0.30000000000000004");
  EXPECT_EQ(defaultText(Variant(-1e20)), u"-1e+20");
  EXPECT_EQ(defaultText(Variant(12.0f)), u"12");
  EXPECT_EQ(defaultText(Variant::Long(-42)), u"-42");
  EXPECT_EQ(defaultText(Variant(zuvo::Currency{-12500})), u"-1.25");
  EXPECT_EQ(defaultText(Variant(zuvo::Currency{30000})), u"3");
  EXPECT_EQ(defaultText(Variant(zuvo::Decimal::parse("1200.50"))), u"1200.5");
}

TEST(DefaultTextTest, DatesBooleansAndNull) {
  EXPECT_EQ(defaultText(Variant(zuvo::rt::makeDate(2000, 11, 23))), u"2000-11-23");
  EXPECT_EQ(defaultText(Variant(zuvo::rt::makeDate(2000, 11, 23, 9, 5, 7))),
            u"2000-11-23 09:05:07");
  EXPECT_EQ(defaultText(Variant(zuvo::Date{0.5})), u"12:00:00");
  EXPECT_EQ(defaultText(Variant(true)), u"True");
  EXPECT_EQ(defaultText(Variant::Null()), u"");
  EXPECT_EQ(columnText(Variant(u"山田  ")), u"山田");
  EXPECT_EQ(columnText(Variant(u"　全角　")), u"　全角　");  // only half-width blanks go
}
