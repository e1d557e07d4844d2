#include <gtest/gtest.h>
#include <zuvo/zuvo.h>

TEST(Build, PublicHeaderBringsInTheClass) {
  zuvo::ZuvoCls z;
  EXPECT_EQ(z.GetCnvCount(), 0);
}
