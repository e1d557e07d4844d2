#include <gtest/gtest.h>

#include "platform/Cp932.h"
#include "platform/Posix.h"
#include "platform/TempDir.h"

namespace zuvo {
namespace {

class IniFilesTest : public ::testing::Test {
 protected:
  String file(const char* name = "app.ini") { return dir_.name(name); }
  void put(const std::string& bytes) { dir_.write("app.ini", bytes); }
  std::string contents() { return dir_.read("app.ini"); }
  String get(const String& sec, const String& key, std::int32_t limit = 800,
             const String& def = u"-") {
    String value;
    std::int32_t n = ini_->read(file(), sec, key, def, value, limit);
    EXPECT_EQ(n, static_cast<std::int32_t>(value.size()));
    return value;
  }

  testing::TempDir dir_;
  std::shared_ptr<IniFiles> ini_ =
      posix::makeIniFiles(std::shared_ptr<FileService>(&systemFiles(), [](FileService*) {}));
};

TEST_F(IniFilesTest, ReadMatchesSectionsAndKeysWithoutRegardToCase) {
  put("top=ignored\r\n[Zuvo]\r\n  ZuvoStatus  =  TRUE  \r\n;zuvologo=commented\r\n"
      "quoted=\"  spaced  \"\r\ntwice=\"\"x\"\"\r\nhalf=\"open\r\n[other]\r\nkey=2\n[zuvo]\n"
      "later=from second section\n");
  EXPECT_EQ(get(u"zuvo", u"zuvostatus"), u"TRUE");
  EXPECT_EQ(get(u"ZUVO", u"ZUVOSTATUS"), u"TRUE");
  EXPECT_EQ(get(u"zuvo", u"quoted"), u"  spaced  ");
  EXPECT_EQ(get(u"zuvo", u"twice"), u"\"x\"");
  EXPECT_EQ(get(u"zuvo", u"half"), u"\"open");
  EXPECT_EQ(get(u"Other", u"KEY"), u"2");
  // comment lines, keys outside any section and repeated sections play no part
  EXPECT_EQ(get(u"zuvo", u"zuvologo"), u"-");
  EXPECT_EQ(get(u"", u"top"), u"-");
  EXPECT_EQ(get(u"zuvo", u"later"), u"-");
}

TEST_F(IniFilesTest, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(get(u"zuvo", u"x", 800, u"def"), u"def");
  put("[zuvo]\r\nx=1\r\n");
  EXPECT_EQ(get(u"none", u"x", 800, u"def"), u"def");
  EXPECT_EQ(get(u"zuvo", u"y", 800, u""), u"");
}

TEST_F(IniFilesTest, ReadCopiesAtMostOneLessThanTheLimit) {
  put("[s]\r\nk=abcdef\r\n");
  EXPECT_EQ(get(u"s", u"k", 4), u"abc");
  EXPECT_EQ(get(u"s", u"k", 1), u"");
  EXPECT_EQ(get(u"s", u"k", 0), u"");
  EXPECT_EQ(get(u"s", u"k", -5), u"");
  EXPECT_EQ(get(u"s", u"nokey", 3, u"default"), u"de");
}

TEST_F(IniFilesTest, FilesAreShiftJis) {
  put(cp932::encode(u"[設定]\r\n名前=日本語の値\r\n"));
  EXPECT_EQ(get(u"設定", u"名前"), u"日本語の値");
  ASSERT_NE(ini_->write(file(), u"設定", u"別名", u"ｶﾅ"), 0);
  EXPECT_EQ(contents(), cp932::encode(u"[設定]\r\n名前=日本語の値\r\n別名=ｶﾅ\r\n"));
}

TEST_F(IniFilesTest, BrokenContentIsReadWithoutHarm) {
  std::string longValue(1 << 20, 'v');
  put(std::string("[s]\r\nnul=a\0b\r\nbad=\x82\xFF\x81\r\n", 23) + "long=" + longValue + "\r\n");
  EXPECT_EQ(get(u"s", u"nul"), String(u"a\0b", 3));
  EXPECT_EQ(get(u"s", u"bad"), u"???");
  EXPECT_EQ(get(u"s", u"long", 1 << 21).size(), longValue.size());
}

TEST_F(IniFilesTest, WriteCreatesFileSectionAndKey) {
  ASSERT_NE(ini_->write(file(), u"zuvo", u"a", u"1"), 0);
  EXPECT_EQ(contents(), "[zuvo]\r\na=1\r\n");
  ASSERT_NE(ini_->write(file(), u"other", u"b", u" 2 "), 0);
  EXPECT_EQ(contents(), "[zuvo]\r\na=1\r\n[other]\r\nb= 2 \r\n");
  EXPECT_EQ(get(u"other", u"b"), u"2");
  // no folder to put the file in
  EXPECT_EQ(ini_->write(file("missing/app.ini"), u"s", u"k", u"v"), 0);
}

TEST_F(IniFilesTest, WriteKeepsEveryOtherLineByteForByte) {
  const std::string before =
      "; header comment\n[Zuvo]\r\nA = old  \r\nodd line \x82\xFF\r\n\r\n[next]\nB=2";
  put(before);
  ASSERT_NE(ini_->write(file(), u"ZUVO", u"a", u"new"), 0);
  EXPECT_EQ(contents(),
            "; header comment\n[Zuvo]\r\na=new\r\nodd line \x82\xFF\r\n\r\n[next]\nB=2");
  // a new key goes after the section's last line, before its blank separator
  ASSERT_NE(ini_->write(file(), u"zuvo", u"c", u"3"), 0);
  EXPECT_EQ(contents(),
            "; header comment\n[Zuvo]\r\na=new\r\nodd line \x82\xFF\r\nc=3\r\n\r\n[next]\nB=2");
  // a last line without a line end gets one before the new key
  ASSERT_NE(ini_->write(file(), u"next", u"d", u"4"), 0);
  EXPECT_EQ(contents(),
            "; header comment\n[Zuvo]\r\na=new\r\nodd line \x82\xFF\r\nc=3\r\n"
            "\r\n[next]\nB=2\r\nd=4\r\n");
}

TEST_F(IniFilesTest, WriteRefusesTextThatWouldBreakTheFile) {
  put("[s]\r\nk=1\r\n");
  EXPECT_EQ(ini_->write(file(), u"s", u"k", u"1\r\nevil=1"), 0);
  EXPECT_EQ(ini_->write(file(), u"s", u"k=x", u"1"), 0);
  EXPECT_EQ(ini_->write(file(), u"s]x", u"k", u"1"), 0);
  EXPECT_EQ(contents(), "[s]\r\nk=1\r\n");
}

}  // namespace
}  // namespace zuvo
