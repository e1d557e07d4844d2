#include <gtest/gtest.h>
#include <iconv.h>

#include <fstream>
#include <sstream>

#include "JefHome.h"
#include "jef/JefTable.h"
#include "platform/Cp932.h"

namespace zuvo {
namespace {

using testing::hex;
using testing::JefHome;

int errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

class SampleTable : public ::testing::Test {
 protected:
  JefHome home;
  std::unique_ptr<ZuvoCls> z = home.object();
  ByteArray bdt = ByteArray(32, 0xEE);
};

TEST_F(SampleTable, SjisJefWritesOneByteOrTwoPerCharacter) {
  EXPECT_EQ(z->SjisJef(u"", bdt), -1);
  EXPECT_EQ(bdt[0], 0xEE);
  EXPECT_EQ(z->SjisJef(u"A", bdt), 0);
  EXPECT_EQ(hex(bdt, 2), "C1EE");
  EXPECT_EQ(z->SjisJef(u"あ", bdt), 1);
  EXPECT_EQ(hex(bdt, 3), "A4A2EE");
  EXPECT_EQ(z->SjisJef(u"0 9　ｱ", bdt), 5);
  EXPECT_EQ(hex(bdt, 6), "F040F9A1A181");
  // A double-byte character outside the table (a circled digit) gets the substitute code.
  EXPECT_EQ(z->SjisJef(u"①", bdt), 1);
  EXPECT_EQ(hex(bdt, 2), "A2A4");
}

TEST_F(SampleTable, SjisJefShiftBracketsEachDoubleByteRun) {
  EXPECT_EQ(z->SjisJefShift(u"Aあい B", bdt), 8);
  EXPECT_EQ(hex(bdt, 9), "C128A4A2A4A42940C2");
  EXPECT_EQ(z->SjisJefShift(u"漢", bdt), 3);
  EXPECT_EQ(hex(bdt, 4), "28B4C129");
  EXPECT_EQ(z->SjisJefShift(u"AB", bdt), 1);
  EXPECT_EQ(hex(bdt, 2), "C1C2");
  EXPECT_EQ(z->SjisJefShift(u"①", bdt), 3);
  EXPECT_EQ(hex(bdt, 4), "28A2A429");
}

TEST_F(SampleTable, JefSjisReadsSingleOrDoubleByteCodes) {
  bdt = {0xF1, 0xF2, 0xC1, 0xFF};
  EXPECT_EQ(z->JefSjis(bdt, 2, 1), u"12A");
  // A byte that no entry holds becomes the middle dot.
  EXPECT_EQ(z->JefSjis(bdt, 3, 1), u"12A・");
  bdt = {0xA4, 0xA2, 0xA4, 0xA4, 0xA1, 0xA1};
  EXPECT_EQ(z->JefSjis(bdt, 5, 2), u"あい　");
  EXPECT_EQ(z->JefSjis(bdt, -1, 2), u"");
  // A code cut by the end of the range gives nothing, and the byte after it isn't read.
  EXPECT_EQ(z->JefSjis(bdt, 2, 2), u"あ");
  EXPECT_EQ(z->JefSjis(bdt, 1, u"2"), u"あ");
}

TEST_F(SampleTable, JefSjisShiftFollowsTheShiftCodes) {
  bdt = {0x28, 0xA4, 0xA2, 0x29};
  EXPECT_EQ(z->JefSjisShift(bdt, 3), u"あ");
  bdt = {0xC1, 0x28, 0xA4, 0xA2, 0xA4, 0xA4, 0x29, 0x40, 0xC2};
  EXPECT_EQ(z->JefSjisShift(bdt, 8), u"Aあい B");
  // A run never closed ends with the data; a run cut inside its last code drops that code.
  EXPECT_EQ(z->JefSjisShift(bdt, 5), u"Aあい");
  EXPECT_EQ(z->JefSjisShift(bdt, 4), u"Aあ");
  // In a run the second byte of a code is never taken for a shift code.
  bdt = {0x28, 0xA4, 0x28, 0x29};
  EXPECT_EQ(z->JefSjisShift(bdt, 3), u"・");
}

TEST_F(SampleTable, RoundTripsEveryEntry) {
  std::ifstream in(JefHome::samplePath(), std::ios::binary);
  std::string line;
  int entries = 0;
  while (std::getline(in, line)) {
    int code = std::stoi(line), jefCode = std::stoi(line.substr(line.find(',') + 1));
    String s(1, cp932::fromCode(code));
    int last = z->SjisJef(s, bdt);
    ASSERT_EQ(last, jefCode > 255 ? 1 : 0) << code;
    EXPECT_EQ(z->JefSjis(bdt, last, last + 1), s) << code;
    ++entries;
  }
  EXPECT_EQ(entries, 7070);
}

TEST_F(SampleTable, ArraysTooShortRaiseNineWithoutTouchingMore) {
  ByteArray three(3, 0);
  EXPECT_EQ(errorOf([&] { z->SjisJef(u"あい", three); }), 9);
  EXPECT_EQ(errorOf([&] { z->SjisJefShift(u"あ", three); }), 9);
  EXPECT_EQ(errorOf([&] { z->SjisJefShift(u"AB", three); }), 0);
  EXPECT_EQ(errorOf([&] { z->JefSjis(three, 3, 1); }), 9);
  EXPECT_EQ(errorOf([&] { z->JefSjisShift(three, 3); }), 9);
  ByteArray none;
  EXPECT_EQ(errorOf([&] { z->SjisJef(u"A", none); }), 9);
  EXPECT_EQ(z->JefSjis(none, -1, 1), u"");
}

TEST_F(SampleTable, BadCountsAreRuntimeErrors) {
  EXPECT_EQ(errorOf([&] { z->JefSjis(bdt, 1, 0); }), 5);  // a step of 0 would never end
  EXPECT_EQ(errorOf([&] { z->JefSjis(bdt, 1, 3); }), 5);
  EXPECT_EQ(errorOf([&] { z->JefSjis(bdt, u"x", 1); }), 13);
  EXPECT_EQ(errorOf([&] { z->JefSjis(bdt, 40000, 1); }), 6);
  EXPECT_EQ(errorOf([&] { z->JefSjisShift(bdt, Variant::Null()); }), 94);
}

// The sample table's double-byte codes must be the EUC-JP codes of their characters, as a
// converter that shares nothing with the generator (the C library's) has them.
TEST(SampleTableData, DoubleByteCodesAreEucJp) {
  iconv_t cd = iconv_open("EUC-JP-MS", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no EUC-JP-MS converter";
  std::ifstream in(JefHome::samplePath(), std::ios::binary);
  std::string line;
  int checked = 0;
  while (std::getline(in, line)) {
    int code = std::stoi(line), jefCode = std::stoi(line.substr(line.find(',') + 1));
    if (code >= 0) {
      EXPECT_LE(jefCode, 255);
      continue;
    }
    char sjis[2] = {static_cast<char>((code >> 8) & 0xFF), static_cast<char>(code & 0xFF)};
    char euc[8];
    char* from = sjis;
    char* to = euc;
    std::size_t left = 2, room = sizeof euc;
    ASSERT_NE(iconv(cd, &from, &left, &to, &room), static_cast<std::size_t>(-1)) << code;
    ASSERT_EQ(to - euc, 2) << code;
    EXPECT_EQ((static_cast<unsigned char>(euc[0]) << 8) | static_cast<unsigned char>(euc[1]),
              jefCode)
        << code;
    ++checked;
  }
  iconv_close(cd);
  EXPECT_EQ(checked, 6879);  // every character of the JIS X 0208 rows
}

class TableFile : public ::testing::Test {
 protected:
  JefHome home{false};
  ByteArray bdt = ByteArray(8, 0);

  std::unique_ptr<ZuvoCls> withTable(const std::string& text) {
    home.write("sjisjef.tbl", text);
    return home.object();
  }
};

TEST_F(TableFile, TheFirstEntryOfACodeWins) {
  auto z = withTable("65,193\r\n65,194\r\n66,193\r\n");
  z->SjisJef(u"AB", bdt);
  EXPECT_EQ(hex(bdt, 2), "C1C1");
  bdt = {0xC1, 0xC2};
  EXPECT_EQ(z->JefSjis(bdt, 1, 1), u"AA");
}

TEST_F(TableFile, CodeZeroMatchesTheFirstEntryHoldingZero) {
  // No pair holds 0: the first unfilled entry does, pairing 0 with 0.
  auto z = withTable("65,0\n");
  z->SjisJef(String(1, u'\0') + u"A", bdt);
  EXPECT_EQ(hex(bdt, 2), "0000");
  bdt = {0x00};
  EXPECT_EQ(z->JefSjis(bdt, 0, 1), u"A");

  // A full table leaves no unfilled entry: code 0 is then unknown like any other.
  std::ostringstream full;
  for (int k = 0; k < JefTable::Entries; ++k) full << 1 + k % 255 << "," << 256 + k << "\n";
  z = withTable(full.str());
  bdt = ByteArray(8, 0xEE);
  z->SjisJef(String(1, u'\0'), bdt);
  EXPECT_EQ(hex(bdt, 2), "A2A4");
}

TEST_F(TableFile, AMissingFileFailsOnceThenTheTableIsEmpty) {
  auto z = home.object();
  EXPECT_EQ(errorOf([&] { z->SjisJef(u"A", bdt); }), 53);
  EXPECT_EQ(z->SjisJef(u"A", bdt), 1);
  EXPECT_EQ(hex(bdt, 2), "A2A4");
  // Written too late: the object doesn't load again.
  home.write("sjisjef.tbl", "65,193\n");
  EXPECT_EQ(z->SjisJef(u"A", bdt), 1);
}

TEST_F(TableFile, TheFileIsReadOncePerObject) {
  auto z = withTable("65,193\n");
  z->SjisJef(u"A", bdt);
  std::filesystem::remove(home.path() / "sjisjef.tbl");
  EXPECT_EQ(z->SjisJef(u"A", bdt), 0);
  EXPECT_EQ(bdt[0], 0xC1);
}

TEST_F(TableFile, BadFilesFailWithThePairsReadSoFarKept) {
  struct Case {
    std::string text;
    int error;
  } cases[] = {{"65,193\n66,x\n", 13},    {"65,193\n66,1.5\n", 13},
               {"65,193\n40000,1\n", 6},  {"65,193\n66,-1\n", 6},
               {"65,193\n66,65536\n", 6}, {"65,193\n66,99999999999999999999\n", 6},
               {"65,193\n66\n", 62},      {"65,193\n" + std::string(100, 'x') + "\n", 13}};
  for (const Case& c : cases) {
    auto z = withTable(c.text);
    EXPECT_EQ(errorOf([&] { z->SjisJef(u"A", bdt); }), c.error) << c.text;
    EXPECT_EQ(z->SjisJef(u"A", bdt), 0) << c.text;
    EXPECT_EQ(bdt[0], 0xC1) << c.text;
  }
}

TEST_F(TableFile, MorePairsThanEntriesKeepsTheFirstOnes) {
  std::ostringstream text;
  for (int k = 0; k <= JefTable::Entries; ++k) text << "65," << 256 + k << "\n";
  auto z = withTable(text.str());
  EXPECT_EQ(errorOf([&] { z->SjisJef(u"A", bdt); }), 9);
  bdt = {0x01, 0x00, 0x1F, 0xB1, 0x1F, 0xB2};  // entries 0 and 7857, and the pair past them
  EXPECT_EQ(z->JefSjis(bdt, 5, 2), u"AA・");
}

TEST_F(TableFile, BlanksAndEmptyFieldsReadAsListInput) {
  auto z = withTable(" 65 , 193 \r\n\r\n,194\r\n");
  z->SjisJef(u"A", bdt);
  EXPECT_EQ(bdt[0], 0xC1);
  bdt = {0xC2};
  EXPECT_EQ(z->JefSjis(bdt, 0, 1), String(1, u'\0'));
}

}  // namespace
}  // namespace zuvo
