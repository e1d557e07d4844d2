#include <gtest/gtest.h>

#include "RecordedComponent.h"
#include "platform/Cp932.h"
#include "platform/Posix.h"
#include "runtime/Convert.h"

namespace zuvo {
namespace {

constexpr std::int32_t kLocalMachine = static_cast<std::int32_t>(0x80000002u);

class SystemServicesTest : public ::testing::Test {
 protected:
  String ini() { return c_.home().name("app.ini"); }
  void zuvoSection(const std::string& lines) { c_.home().write("app.ini", "[zuvo]\r\n" + lines); }
  const std::vector<String>& started() { return c_.recorder().started; }
  testing::RecordedComponent c_;
};

TEST_F(SystemServicesTest, ChkZuvoOpenSystemStartsNothing) {
  zuvoSection("zuvostatus=TRUE\r\nzuvologo=logo.exe\r\n");
  EXPECT_TRUE(c_.z().ChkZuvo(ini(), u"Sales"));
  EXPECT_TRUE(started().empty());
}

TEST_F(SystemServicesTest, ChkZuvoClosedSystemShowsTheMessage) {
  zuvoSection(
      "zuvostatus=false\r\nzuvosysmsg=Maintenance\\nuntil 18:00\\nx\r\n"
      "zuvologo=Logo.exe  /show\r\n");
  EXPECT_FALSE(c_.z().ChkZuvo(ini(), u"Sales"));
  EXPECT_EQ(started(), std::vector<String>{u"logo.exe  /show Salesは強制終了しました。\n"
                                           u"Maintenance\nuntil 18:00\\nx"});
}

TEST_F(SystemServicesTest, ChkZuvoWithoutMessageAsksToRunAgainLater) {
  zuvoSection("zuvologo=logo\r\n");
  EXPECT_FALSE(c_.z().ChkZuvo(ini(), u"T"));
  EXPECT_EQ(started(), std::vector<String>{u"logo Tは強制終了しました。\n"
                                           u"しばらくしてから、再実行して下さい。"});
  // a missing file is a closed system, and without a display program nothing starts
  EXPECT_FALSE(c_.z().ChkZuvo(c_.home().name("none.ini"), u"T"));
  EXPECT_EQ(started().size(), 1u);
}

TEST_F(SystemServicesTest, DspAbendStartsTheDisplayProgramWithTheMessage) {
  zuvoSection("zuvologo=show\r\n");
  c_.z().DspAbend(ini(), u"disk full");
  c_.z().DspAbend(c_.home().name("none.ini"), u"lost");
  EXPECT_EQ(started(), std::vector<String>{u"show disk full"});
}

TEST_F(SystemServicesTest, WriteDbgClearsAndAppendsLines) {
  String log = c_.home().name("dbg.log");
  c_.home().write("dbg.log", "old\r\n");
  c_.z().WriteDbg(log, u"clear_dbg");
  EXPECT_EQ(c_.home().read("dbg.log"), "");
  c_.z().WriteDbg(log, u"日本");
  c_.z().WriteDbg(log, 5);
  c_.z().WriteDbg(log, -2.5);
  c_.z().WriteDbg(log, Variant::Null());
  EXPECT_EQ(c_.home().read("dbg.log"), cp932::encode(u"日本") + "\r\n 5 \r\n-2.5 \r\nNull\r\n");
  c_.z().WriteDbg(c_.home().name("no/dir/dbg.log"), u"nothing happens");
}

TEST_F(SystemServicesTest, GetKeyValueReadsTheRegistryFile) {
  c_.home().write(posix::kRegistryFileName,
                  "[HKLM\\Soft\\Key]\ntext=sz:hello\nnum=dword:42\nbin=hex:00\n");
  String value = u"keep";
  EXPECT_TRUE(c_.z().GetKeyValue(kLocalMachine, u"Soft\\Key", u"bin", value));
  EXPECT_EQ(value, u"keep");
  EXPECT_TRUE(c_.z().GetKeyValue(kLocalMachine, u"Soft\\Key", u"text", value));
  EXPECT_EQ(value, u"hello");
  EXPECT_TRUE(c_.z().GetKeyValue(kLocalMachine, u"Soft\\Key", u"num", value));
  EXPECT_EQ(value, u"42");
  EXPECT_FALSE(c_.z().GetKeyValue(kLocalMachine, u"Soft\\Key", u"none", value));
  EXPECT_EQ(value, u"");
}

TEST_F(SystemServicesTest, StartSysInfoFollowsTheRegistry) {
  c_.z().StartSysInfo();
  ASSERT_EQ(c_.recorder().messages.size(), 1u);
  EXPECT_EQ(c_.recorder().messages[0].text, u"現時点ではｼｽﾃﾑ情報を使用できません");
  EXPECT_EQ(c_.recorder().messages[0].style, 0);

  // the tool's folder is used only when the program is there
  std::string folder = c_.home().path().string();
  c_.home().write(posix::kRegistryFileName,
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\n"
                  "MSINFO=sz:" +
                      folder + "\n");
  c_.z().StartSysInfo();
  EXPECT_EQ(c_.recorder().messages.size(), 2u);
  c_.home().write("MSINFO32.EXE", "");
  c_.z().StartSysInfo();
  EXPECT_EQ(started(), std::vector<String>{rt::fromUtf8(folder + "/MSINFO32.EXE")});

  c_.home().write(posix::kRegistryFileName,
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"
                  "PATH=sz:/usr/bin/sysinfo\n");
  c_.z().StartSysInfo();
  EXPECT_EQ(started().back(), u"/usr/bin/sysinfo");
  EXPECT_EQ(c_.recorder().messages.size(), 2u);
}

TEST_F(SystemServicesTest, UserNameFollowsTheSystemCall) {
  String buffer(64, u' ');
  std::int32_t size = 64;
  ASSERT_NE(c_.z().GetUserName(buffer, size), 0);
  String name = buffer.substr(0, buffer.find(u'\0'));
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(size, static_cast<std::int32_t>(name.size() + 1));
  EXPECT_EQ(buffer.size(), 64u);

  String small;
  std::int32_t tooSmall = 1;
  EXPECT_EQ(c_.z().GetUserName(small, tooSmall), 0);
  EXPECT_EQ(tooSmall, size);

  String id = u"x", pc = u"x", ip = u"x";
  c_.z().GetUserInfo(id, pc, ip);
  EXPECT_EQ(id, rt::lower(name));
  EXPECT_FALSE(pc.empty());
}

TEST_F(SystemServicesTest, GetUserInfoWithoutHostLibraryLeavesPcAndIpEmpty) {
  struct NoHost : HostInfo {
    std::optional<String> hostName() override { throw std::runtime_error("no library"); }
    std::optional<String> hostAddress() override { return std::nullopt; }
  };
  c_.platform().host = std::make_shared<NoHost>();
  String id, pc = u"x", ip = u"x";
  c_.z().GetUserInfo(id, pc, ip);
  EXPECT_FALSE(id.empty());
  EXPECT_EQ(pc, u"");
  EXPECT_EQ(ip, u"");
}

TEST_F(SystemServicesTest, LhaReportsTheArchiverResult) {
  c_.platform().archiver = posix::makeArchiver("false");
  EXPECT_FALSE(c_.z().LHA(0, u"a x.lzh file"));
  c_.platform().archiver = posix::makeArchiver("true");
  EXPECT_TRUE(c_.z().LHA(0, u"a x.lzh file"));
}

TEST_F(SystemServicesTest, LhaFailsWhereTheArchiverComplainsButExitsZero) {
  if (!c_.platform().system->fileExists(u"/usr/bin/lha")) GTEST_SKIP() << "lha is not installed";
  const std::string dir = c_.home().path().string();
  c_.home().write("a.txt", "some text\n");
  struct Case {
    std::string command;
    bool ok;
  };
  // In order: the first makes the archive the next ones use.
  for (const Case& c :
       {Case{"a " + dir + "/good.lzh " + dir + "/a.txt", true},
        Case{"t " + dir + "/good.lzh", true}, Case{"x " + dir + "/missing.lzh", false},
        Case{"zz " + dir + "/good.lzh", false}})
    EXPECT_EQ(c_.z().LHA(0, rt::fromUtf8(c.command)), c.ok) << c.command;
  EXPECT_TRUE(std::filesystem::exists(c_.home().path() / "good.lzh"));
}

}  // namespace
}  // namespace zuvo
