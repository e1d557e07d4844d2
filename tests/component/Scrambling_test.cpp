#include <gtest/gtest.h>

#include <random>

#include "component/ZuvoCls.h"
#include "text/TextTesting.h"

namespace zuvo {
namespace {

using testing::errorOf;

class TextScrambling : public ::testing::Test {
 protected:
  ZuvoCls z;
};

bool isUpperHex(const String& text) {
  for (char16_t c : text)
    if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) return false;
  return true;
}

TEST_F(TextScrambling, EncodeWritesFourHexDigitsPerCharacterLastFirst) {
  EXPECT_EQ(z.Encode(u""), u"");
  EXPECT_EQ(z.Decode(u""), u"");
  const String abc = z.Encode(u"abc");
  EXPECT_EQ(abc.size(), 12u);
  EXPECT_TRUE(isUpperHex(abc));
  // Group g holds (code XOR key) + g of the g-th character from the end.
  EXPECT_EQ(abc.substr(0, 4), z.Encode(u"c"));
  EXPECT_EQ(z.Encode(u"xc").substr(0, 4), z.Encode(u"c"));
  EXPECT_NE(z.Encode(u"aa").substr(0, 4), z.Encode(u"aa").substr(4, 4));
  EXPECT_NE(z.Encode(u"b"), z.Encode(u"c"));
}

TEST_F(TextScrambling, DecodeRestoresEncodedText) {
  std::mt19937 rng(14);
  for (int round = 0; round < 200; ++round) {
    const String text = testing::mixedJapanese(rng, rng() % 24);
    ASSERT_EQ(z.Decode(z.Encode(text)), text);
  }
  EXPECT_EQ(z.Decode(z.Encode(u"ユーザー01") + u"9A"), u"ユーザー01");  // partial group ignored
  const String scrambled = z.Encode(u"pw");
  EXPECT_EQ(z.Decode(scrambled + u"FF"), z.Decode(scrambled));
}

// Whatever the text, Decode answers characters or error 5; the sanitizers watch the rest.
TEST_F(TextScrambling, DecodeOfGarbageIsHarmless) {
  std::mt19937 rng(5);
  const String digits = u"0123456789ABCDEFabcdef-+. &HGZあ";
  int answered = 0, refused = 0;
  for (int round = 0; round < 2000; ++round) {
    String text(rng() % 17, u'0');
    for (char16_t& c : text) c = digits[rng() % digits.size()];
    const auto error = errorOf([&] {
      EXPECT_EQ(z.Decode(text).size(), text.size() / 4);
      ++answered;
    });
    if (error) {
      EXPECT_EQ(error, err::InvalidArgument) << "round " << round;
      ++refused;
    }
  }
  EXPECT_GT(answered, 0);
}

TEST_F(TextScrambling, DeDsnRestoresUserAndPassword) {
  const String dsn =
      u"DSN=sales;DATABASE=main;uid=" + z.Encode(u"scott") + u";pwd=" + z.Encode(u"tiger;パス");
  EXPECT_EQ(z.DeDsn(dsn), u"DSN=sales;DATABASE=main;uid=scott;pwd=tiger;パス");
  EXPECT_EQ(z.DeDsn(u";uid=;pwd="), u";uid=;pwd=");
  EXPECT_EQ(z.DeDsn(u"DSN=x;pwd=" + z.Encode(u"p")), u"");
  EXPECT_EQ(z.DeDsn(u"DSN=x;uid=" + z.Encode(u"u")), u"");
  EXPECT_EQ(z.DeDsn(u"DSN=x;UID=a;PWD=b"), u"");  // markers are case-sensitive
  EXPECT_EQ(errorOf([&] { z.DeDsn(u"DSN=x;pwd=0000;uid=0000"); }), err::InvalidArgument);
}

}  // namespace
}  // namespace zuvo
