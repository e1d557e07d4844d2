#include "convert/Width.h"

#include <gtest/gtest.h>

using namespace zuvo::convert;

TEST(WidthTest, KatakanaWithVoicedMarksAndAsciiBothWays) {
  EXPECT_EQ(toFullWidth(u"ｶﾞｯｺｳ A1-"), u"ガッコウ　Ａ１－");
  EXPECT_EQ(toHalfWidth(u"ガッコウ　Ａ１－"), u"ｶﾞｯｺｳ A1-");
  EXPECT_EQ(toHalfWidth(u"漢字abc"), u"漢字abc");
}
