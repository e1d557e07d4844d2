#include "platform/Cp932.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <random>

#include "runtime/RuntimeError.h"

namespace zuvo::cp932 {
namespace {

// ICU's own answer for one unit, fallbacks allowed, -1 when it writes nothing or fails.
int icuCode(UConverter* cnv, char16_t unit) {
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(cnv);
  char out[8];
  int n = ucnv_fromUChars(cnv, out, sizeof out, &unit, 1, &status);
  if (U_FAILURE(status) || n == 0) return -1;
  int code = 0;
  for (int i = 0; i < n; ++i) code = code << 8 | static_cast<unsigned char>(out[i]);
  return code;
}

TEST(Cp932, EveryUnitAgreesWithIcuExceptControlsAndUnmappables) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open("windows-932", &status);
  ASSERT_TRUE(U_SUCCESS(status));
  ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setFallback(cnv, true);
  int mapped = 0;
  for (unsigned u = 0; u < 0x10000; ++u) {
    char16_t c = static_cast<char16_t>(u);
    int expected;
    if (u < 0x20 || u == 0x7F || u == 0x80)
      expected = static_cast<int>(u);
    else if (u >= 0xD800 && u <= 0xDFFF)
      expected = '?';
    else
      expected = icuCode(cnv, c);
    if (expected < 0) expected = '?';
    ASSERT_EQ(static_cast<std::uint16_t>(code(c)), expected) << std::hex << u;
    ASSERT_EQ(weight(c), expected < 0x100 ? 1 : 2) << std::hex << u;
    if (expected != '?') {
      ++mapped;
      // The reverse table gives back a character with the same code.
      ASSERT_EQ(code(fromCode(expected)), code(c)) << std::hex << u;
    }
  }
  ucnv_close(cnv);
  EXPECT_GT(mapped, 9000);
}

TEST(Cp932, ControlsAndIgnorablesAreOneCharacterEach) {
  // ICU would swap SUB, FS and DEL and drop the soft hyphen, zero-width space and BOM.
  String text = u"\x1A\x1C\x7F\u00AD\u200B\uFEFF\xD800";
  EXPECT_EQ(encode(text), std::string("\x1A\x1C\x7F????", 7));
  EXPECT_EQ(decode("\x1A\x1C\x7F"), u"\x1A\x1C\x7F");
  EXPECT_EQ(code(u'\u00AD'), 63);
  EXPECT_EQ(weight(u'\uFEFF'), 1);
}

TEST(Cp932, CodesAreSignedSixteenBitNumbers) {
  EXPECT_EQ(code(u'A'), 65);
  EXPECT_EQ(code(u'ｱ'), 0xB1);
  EXPECT_EQ(weight(u'ｱ'), 1);
  EXPECT_EQ(code(u'あ'), static_cast<std::int16_t>(0x82A0));
  EXPECT_EQ(weight(u'あ'), 2);
  EXPECT_EQ(fromCode(-32096), u'あ');
  EXPECT_EQ(fromCode(0x82A0), u'あ');
  EXPECT_EQ(fromCode(0), u'\0');
  EXPECT_THROW(fromCode(0x10000), RuntimeError);
  EXPECT_THROW(fromCode(0x0141), RuntimeError);  // no such double-byte code
}

TEST(Cp932, EncodeAndDecodeRoundTrip) {
  String text = u"日本語ﾃｷｽﾄ and ASCII ～－\\~";
  std::string bytes = encode(text);
  EXPECT_EQ(bytes.size(), 3 * 2 + 4 + 11 + 2 * 2 + 2);
  EXPECT_EQ(decode(bytes), text);
}

TEST(Cp932, InvalidBytesDecodeToQuestionMarks) {
  // stray lead byte at the end, lead byte before an invalid trail, bytes with no character
  EXPECT_EQ(decode("a\x82"), u"a?");
  EXPECT_EQ(decode("\x82\x20x"), u"? x");
  EXPECT_EQ(decode("\x80\xA0\xFD\xFF"), u"\x80???");
  EXPECT_EQ(decode(std::string("\0\x85\x40", 3)), String(u"\0?", 2));  // unassigned pair
}

TEST(Cp932, RandomBytesNeverBreakTheDecoder) {
  std::mt19937 gen(932);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(1 + round % 37, '\0');
    for (char& b : bytes) b = static_cast<char>(byte(gen));
    String text = decode(bytes);
    EXPECT_LE(text.size(), bytes.size());
    EXPECT_GE(text.size() * 2, bytes.size());
  }
}

}  // namespace
}  // namespace zuvo::cp932
