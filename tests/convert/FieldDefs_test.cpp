#include "convert/FieldDefs.h"

#include <gtest/gtest.h>

using namespace zuvo::convert;

TEST(FieldDescriptorTest, ReadsCodesLengthAndDefaultAlignment) {
  const std::u16string fds = u"n2r0008 d__0008 k_l0020";
  FieldDescriptor n = fieldDescriptor(fds, 0);
  EXPECT_EQ(n.type, u'n');
  EXPECT_EQ(n.decimals(), 2);
  EXPECT_FALSE(n.leftAligned());
  EXPECT_EQ(n.len, 8);
  FieldDescriptor d = fieldDescriptor(fds, 1);
  EXPECT_EQ(d.type, u'd');
  EXPECT_EQ(d.second, u'_');
  EXPECT_EQ(d.align, u'l');
  EXPECT_EQ(d.len, 8);
  EXPECT_EQ(fieldDescriptor(fds, 2).len, 20);
  EXPECT_TRUE(fieldDescriptor(fds, 2).leftAligned());

  FieldDescriptor plain = fieldDescriptor(u"n__0010", 0);
  EXPECT_EQ(plain.align, u'r');
  EXPECT_EQ(plain.decimals(), 0);
  FieldDescriptor p = fieldDescriptor(u"P3L0012", 0);  // codes are read in lower case
  EXPECT_EQ(p.type, u'p');
  EXPECT_EQ(p.decimals(), 3);
  EXPECT_TRUE(p.leftAligned());
  EXPECT_EQ(p.len, 12);
}

TEST(FieldDescriptorTest, MalformedOrMissingDescriptorsReadAsLittle) {
  EXPECT_EQ(fieldDescriptor(u"x__00ab", 0).len, 0);
  FieldDescriptor missing = fieldDescriptor(u"n2r0008 x__0003", 2);
  EXPECT_EQ(missing.type, 0);
  EXPECT_EQ(missing.len, 0);
  // The last descriptor may end right after its length, or even inside it.
  EXPECT_EQ(fieldDescriptor(u"x__0003 x__12", 1).len, 12);
  EXPECT_TRUE(fieldDescriptor(u"xzr0006", 0).zeroFill());
  EXPECT_TRUE(fieldDescriptor(u"dt_0008", 0).is(u'd', u't'));
}

TEST(FieldCountTest, CountsBlanksPlusOne) {
  EXPECT_EQ(fieldCount(u"n2r0008 d__0008 k_l0020"), 3);
  EXPECT_EQ(fieldCount(u"x__0010"), 1);
  EXPECT_EQ(fieldCount(u"x_ 0010"), 2);  // a blank inside a descriptor counts too
  EXPECT_EQ(fieldCount(u""), 1);
}
