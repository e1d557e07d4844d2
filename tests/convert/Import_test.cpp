#include "convert/Import.h"

#include <gtest/gtest.h>

using namespace zuvo::convert;

TEST(CleanTextTest, BlanksOutWhatWouldBreakTheQuotedLiteral) {
  std::u16string s = u"O'Neil, \"Ltd\" ”x”";
  cleanText(s);
  EXPECT_EQ(s, u"O Neil   Ltd  ’x’");
}

TEST(NumberLiteralTest, AcceptsNumbersOnly) {
  for (const char16_t* ok :
       {u"0", u"-12.5", u" +3 ", u".5", u"5.", u"1e10", u"-2.5E-3", u"TRUE", u"false"})
    EXPECT_TRUE(isNumberLiteral(ok));
  for (const char16_t* bad : {u"", u" ", u"-", u".", u"1.2.3", u"1e", u"1 2", u"0x10",
                              u"1);drop table t;--", u"(select 1)", u"abc", u"１"})
    EXPECT_FALSE(isNumberLiteral(bad));
}

TEST(TableNameTest, RefusesNamesThatCarrySql) {
  for (const char16_t* ok : {u"T", u"sales.受注", u"\"My Table\"x", u"t_1"})
    EXPECT_TRUE(isPlainTableName(ok));
  for (const char16_t* bad :
       {u"", u"t;drop table x", u"t values(1)--", u"t--", u"t/*", u"a b", u"t'", u"\"open"})
    EXPECT_FALSE(isPlainTableName(bad));
}
