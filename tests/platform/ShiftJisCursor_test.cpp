#include "platform/ShiftJisCursor.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "text/TextTesting.h"

namespace zuvo::cp932 {
namespace {

// A character without a code page 932 form (a Hangul syllable, a lone surrogate) weighs 1, as
// its "?" does.
TEST(ShiftJisCursor, MeasuresAndCutsCharactersWithoutAForm) {
  const char16_t text[] = {u'あ', 0xAC00, 0xD800, u'x'};
  EXPECT_EQ(byteLength({text, 4}), 5);
  EXPECT_EQ(ByteCursor({text, 4}).cut(3, 2), std::u16string_view(text + 1, 2));
}

// Fields laid end to end, cut by one cursor, against the text's actual bytes: each field starts
// with the first character whose first byte is at or after its start and takes every character
// that starts within its length of that one. Negative lengths move the next start back.
TEST(ShiftJisCursor, OneCursorCutsConsecutiveFieldsLikeSeparateCuts) {
  std::mt19937 rng(932);
  for (int round = 0; round < 300; ++round) {
    const String text = testing::mixedJapanese(rng, rng() % 40);
    std::vector<std::int64_t> firstByte;
    std::int64_t position = 1;
    for (char16_t c : text) firstByte.push_back(position), position += encode({&c, 1}).size();
    ByteCursor cursor(text);
    std::int64_t start = 1;
    for (int field = 0; field < 12; ++field) {
      const std::int64_t length = std::int64_t(rng() % 9) - (rng() % 8 == 0 ? 8 : 0);
      std::u16string_view expected;
      if (start >= 1 && length >= 1) {
        std::size_t from = 0;
        while (from < text.size() && firstByte[from] < start) ++from;
        std::size_t to = from;
        while (to < text.size() && firstByte[to] < firstByte[from] + length) ++to;
        expected = std::u16string_view(text).substr(from, to - from);
      }
      ASSERT_EQ(cursor.cut(start, length), expected)
          << "round " << round << " field " << field << " start " << start;
      start += length;
    }
  }
}

TEST(ShiftJisCursor, AlignsToBytes) {
  struct Case {
    const char16_t* text;
    std::int64_t length;
    char16_t fill;
    bool left;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"山田太郎", 5, u' ', true, u"山田太"},  // the character across the end is kept
      {u"山田太郎", 5, u' ', false, u"太郎"},   // the one across the start is dropped
      {u"アイ", 5, u'\u3000', false, u"アイ"},  // so is a fill across the start
      {u"アイ", 5, u'\u3000', true, u"アイ　"},
      {u"aあ", 1, u' ', false, u""},  // no whole character in the last byte
      {u"ABC", 0, u' ', true, u""},
  };
  for (const Case& c : cases) {
    String out = u"|";
    appendAligned(out, c.text, c.length, c.fill, c.left);
    EXPECT_EQ(out, u"|" + String(c.expected)) << "length " << c.length << " left " << c.left;
  }
}

// The definition itself: fill, then cut the filled text as the byte measures cut.
TEST(ShiftJisCursor, AlignmentEqualsCuttingTheFilledText) {
  std::mt19937 rng(5);
  for (int round = 0; round < 500; ++round) {
    const String text = testing::mixedJapanese(rng, rng() % 12);
    const std::int64_t length = std::int64_t(rng() % 20);
    const char16_t fill = rng() % 2 ? u'\u3000' : u' ';
    const String fills(std::size_t(length), fill);
    const String left = text + fills, right = fills + text;
    String expectedRight(ByteCursor(right).cut(byteLength(right) - length + 1, length));
    String gotLeft, gotRight;
    appendAligned(gotLeft, text, length, fill, true);
    appendAligned(gotRight, text, length, fill, false);
    ASSERT_EQ(gotLeft, ByteCursor(left).cut(1, length)) << "round " << round;
    ASSERT_EQ(gotRight, expectedRight) << "round " << round;
  }
}

}  // namespace
}  // namespace zuvo::cp932
