#include <gtest/gtest.h>

#include "RecordedComponent.h"

namespace zuvo {
namespace {

TEST(GetCmdPara, WalksBlankSeparatedItems) {
  testing::RecordedComponent c;
  std::int16_t i = 1;
  EXPECT_EQ(c.z().GetCmdPara(u"a  b ", i), u"a");
  EXPECT_EQ(i, 4);
  EXPECT_EQ(c.z().GetCmdPara(u"a  b ", i), u"b");
  EXPECT_EQ(i, 6);
  EXPECT_EQ(c.z().GetCmdPara(u"a  b ", i), u"");
  EXPECT_EQ(i, 6);

  // a leading blank gives an empty first item; the last item takes i past the end
  i = 1;
  EXPECT_EQ(c.z().GetCmdPara(u" x y", i), u"");
  EXPECT_EQ(i, 2);
  EXPECT_EQ(c.z().GetCmdPara(u" x y", i), u"x");
  EXPECT_EQ(c.z().GetCmdPara(u" x y", i), u"y");
  EXPECT_EQ(i, 5);
}

TEST(GetCmdPara, PositionsOutsideTheIntegerRangeAreErrors) {
  testing::RecordedComponent c;
  std::int16_t i = 0;
  EXPECT_THROW(c.z().GetCmdPara(u"a", i), RuntimeError);
  i = 1;
  String longLine(40000, u'x');
  try {
    c.z().GetCmdPara(longLine, i);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::Overflow);
  }
  EXPECT_EQ(i, 1);
}

TEST(Paths, WindowsStylePathsAreTakenInLowerCase) {
  testing::RecordedComponent c;
  EXPECT_EQ(c.z().GetPath(u" C:\\Dir\\File.Txt "), u"c:\\dir\\");
  EXPECT_EQ(c.z().GetPath(u"c:\\dir"), u"c:\\dir\\");
  EXPECT_EQ(c.z().GetPath(u"a:file.txt"), u"a:");
  EXPECT_EQ(c.z().GetPath(u"file.txt"), u"file.txt");
  EXPECT_EQ(c.z().GetPath(u""), u"\\");
  EXPECT_EQ(c.z().GetFilename(u"C:\\Dir\\File.Txt"), u"file.txt");
  EXPECT_EQ(c.z().GetFilename(u"c:\\dir\\"), u"");
  EXPECT_EQ(c.z().GetFilename(u"a:file.txt"), u"file.txt");
  EXPECT_EQ(c.z().GetFilename(u"a:"), u"");
  EXPECT_EQ(c.z().GetFilename(u"file.txt"), u"");
  EXPECT_THROW(c.z().GetPath(Variant::Null()), RuntimeError);
}

TEST(Paths, PosixPathsSplitAtSlashAndKeepTheirCase) {
  testing::RecordedComponent c;
  EXPECT_EQ(c.z().GetPath(u"/home/User/Data.csv"), u"/home/User/");
  EXPECT_EQ(c.z().GetPath(u"/home/User"), u"/home/User/");
  EXPECT_EQ(c.z().GetFilename(u"/home/User/Data.csv"), u"Data.csv");
  EXPECT_EQ(c.z().GetFilename(u"/home/User/"), u"");
}

class IniFileTest : public ::testing::Test {
 protected:
  String ini() { return c_.home().name("app.ini"); }
  testing::RecordedComponent c_;
};

TEST_F(IniFileTest, GetIniStrTrimsAndOptionallyLowers) {
  c_.home().write("app.ini", "[zuvo]\r\nname =  Abc  \r\nempty=\r\n");
  EXPECT_EQ(c_.z().GetIniStr(ini(), u"ZUVO", u"Name", false), u"Abc");
  EXPECT_EQ(c_.z().GetIniStr(ini(), u"zuvo", u"name", true), u"abc");
  EXPECT_EQ(c_.z().GetIniStr(ini(), u"zuvo", u"empty", false), u"");
  EXPECT_EQ(c_.z().GetIniStr(ini(), u"zuvo", u"missing", false), u"");
  EXPECT_EQ(c_.z().GetIniStr(c_.home().name("none.ini"), u"zuvo", u"name", false), u"");
}

TEST_F(IniFileTest, GetIniStrCutsValuesToTheBufferSize) {
  c_.home().write("zuvodll.ini", "inibuf=5\r\n");
  const char file[] = "[s]\r\nk=abcdefgh\r\nn=ab\0cd\r\n";
  c_.home().write("app.ini", std::string(file, sizeof file - 1));
  EXPECT_EQ(c_.z().GetIniStr(ini(), u"s", u"k", false), u"abcd");
  EXPECT_EQ(c_.z().GetIniStr(ini(), u"s", u"n", false), u"ab");
}

TEST_F(IniFileTest, WriteIniStrWritesAndReportsFailure) {
  EXPECT_TRUE(c_.z().WriteIniStr(ini(), u"zuvo", u"zuvostatus", u"true"));
  EXPECT_EQ(c_.z().GetIniStr(ini(), u"zuvo", u"zuvostatus", false), u"true");
  EXPECT_EQ(c_.home().read("app.ini"), "[zuvo]\r\nzuvostatus=true\r\n");
  EXPECT_FALSE(c_.z().WriteIniStr(c_.home().name("no/such/dir.ini"), u"s", u"k", u"v"));
}

// A system whose current directory and module name the test chooses.
struct FakeSystem : SystemInfo {
  String directory, module;
  std::int32_t platformId() override { return 2; }
  String moduleFileName(std::int32_t) override { return module; }
  String currentDirectory() override { return directory; }
  std::optional<String> userName() override { return std::nullopt; }
  bool fileExists(const String&) override { return false; }
};

class GetIniNameTest : public ::testing::Test {
 protected:
  void SetUp() override { c_.platform().system = system_; }
  testing::RecordedComponent c_;
  std::shared_ptr<FakeSystem> system_ = std::make_shared<FakeSystem>();
};

TEST_F(GetIniNameTest, SharedFileIsLookedForInTheCurrentDirectory) {
  system_->directory = u"D:\\WORK";
  EXPECT_EQ(c_.z().GetIniName(0, u"C:\\APP\\ZUVO.INI", u""), u"d:\\work\\zuvo.ini");
  system_->directory = u"/home/User";
  EXPECT_EQ(c_.z().GetIniName(0, u"/etc/app/Zuvo.ini", u""), u"/home/User/zuvo.ini");
  EXPECT_EQ(c_.z().GetIniName(0, u"C:\\APP\\ZUVO.INI", u""), u"/home/User/zuvo.ini");
  system_->directory = u"/";
  EXPECT_EQ(c_.z().GetIniName(0, u"c:\\zuvo.ini", u""), u"/zuvo.ini");
  EXPECT_TRUE(c_.recorder().messages.empty());
}

TEST_F(GetIniNameTest, SharedFileWithoutFolderIsReported) {
  EXPECT_EQ(c_.z().GetIniName(0, u"zuvo.ini", u""), u"");
  EXPECT_EQ(c_.recorder().beeps, 1);
  ASSERT_EQ(c_.recorder().messages.size(), 1u);
  EXPECT_EQ(c_.recorder().messages[0].title, u"GetIniName()");
  EXPECT_EQ(c_.recorder().messages[0].style, 48);
  EXPECT_EQ(c_.recorder().messages[0].text,
            u"プログラム名の取得(GetModuleFileName) に失敗しました。");
}

TEST_F(GetIniNameTest, DebugFileOnlyInTheDevelopmentEnvironment) {
  system_->module = u"C:\\Program Files\\DevStudio\\VB98\\VB6.EXE";
  EXPECT_EQ(c_.z().GetIniName(0, u"c:\\app\\other.ini", u""), u"c:\\app\\other.ini");
  EXPECT_EQ(c_.z().GetIniName(0, u"c:\\app\\other.ini", u"c:\\dbg.ini"), u"c:\\dbg.ini");
  system_->module = u"c:\\app\\client.exe";
  EXPECT_EQ(c_.z().GetIniName(0, u"c:\\app\\other.ini", u"c:\\dbg.ini"), u"c:\\app\\other.ini");
  system_->module = u"";  // no module name counts as dummy.exe
  EXPECT_EQ(c_.z().GetIniName(0, u"C:\\App\\Other.ini", u"c:\\dbg.ini"), u"C:\\App\\Other.ini");
  EXPECT_THROW(c_.z().GetIniName(Variant::Null(), u"x", u""), RuntimeError);
}

}  // namespace
}  // namespace zuvo
