#include "platform/Posix.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <thread>

#include "platform/Recording.h"
#include "platform/TempDir.h"

namespace zuvo {
namespace {

bool appears(const std::filesystem::path& p) {
  for (int i = 0; i < 200 && !std::filesystem::exists(p); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return std::filesystem::exists(p);
}

TEST(PosixPlatform, CommandsSplitAtRunsOfBlanks) {
  EXPECT_EQ(posix::splitWords(u"  prog  -a\tb  "), (std::vector<std::string>{"prog", "-a", "b"}));
  EXPECT_TRUE(posix::splitWords(u"   ").empty());
}

TEST(PosixPlatform, ProgramsStartWithoutAShell) {
  testing::TempDir dir;
  auto launcher = posix::makeProgramLauncher();
  // The extra argument stays one argument, blanks and shell characters included.
  std::string odd = (dir.path() / "a b;$(x)").string();
  ASSERT_TRUE(launcher->start(u"touch", {String(odd.begin(), odd.end())}));
  EXPECT_TRUE(appears(odd));
  EXPECT_FALSE(launcher->start(u"no-such-program-zuvo", {}));
  EXPECT_FALSE(launcher->start(u"  ", {}));
}

TEST(PosixPlatform, ArchiverExitStatusIsItsErrorCode) {
  String output;
  EXPECT_EQ(posix::makeArchiver("true")->run(0, u"x", output), 0);
  EXPECT_EQ(posix::makeArchiver("false")->run(0, u"x", output), 1);
  EXPECT_NE(posix::makeArchiver("no-such-archiver-zuvo")->run(0, u"x", output), 0);
  EXPECT_EQ(posix::makeArchiver("echo")->run(0, u"a  $HOME;b", output), 0);
  EXPECT_EQ(output, u"a $HOME;b\n");
}

TEST(PosixPlatform, SystemFacts) {
  auto system = posix::makeSystemInfo();
  EXPECT_EQ(system->platformId(), 2);
  String exe = system->moduleFileName(0);
  EXPECT_TRUE(system->fileExists(exe));
  EXPECT_FALSE(system->fileExists(u"/no/such/file"));
  EXPECT_FALSE(system->currentDirectory().empty());
  ASSERT_TRUE(system->userName().has_value());
  EXPECT_FALSE(system->userName()->empty());

  auto host = posix::makeHostInfo();
  ASSERT_TRUE(host->hostName().has_value());
  if (auto ip = host->hostAddress()) {
    EXPECT_NE(ip->rfind(u"127.", 0), 0u);
    EXPECT_EQ(std::count(ip->begin(), ip->end(), u'.'), 3);
  }
}

TEST(PosixPlatform, ArchiverOutputTellsFailure) {
  struct Case {
    const char* output;
    bool failed;
  };
  for (const Case& c : {
           Case{"", false},
           Case{"a.txt\t- Frozen(0%)  o\n", false},
           Case{"usage.txt\t- Frozen(0%)  o\n", false},
           Case{"LHa: Cannot access \"x.txt\", ignored.\n", false},
           Case{"LHa: Fatal error: x.lzh: No such file or directory\n", true},
           Case{"a.txt - Tested\nLHa: Fatal error: Unkonwn header (lha file?)\n", true},
           Case{"LHa: Error: No files given in argument, do nothing.\n", true},
           Case{"jLHA  Copyright(C)\nusage: JLHAFrontEnd [-]{axelvudmcpt}\n", true},
           Case{"Exception in thread \"main\" java.lang.NullPointerException\n", true},
       })
    EXPECT_EQ(posix::archiverReportedFailure(c.output), c.failed) << c.output;
}

TEST(PosixPlatform, HomeComesFromTheEnvironment) {
  const char* saved = std::getenv("ZUVO_HOME");
  std::string keep = saved ? saved : "";
  ::setenv("ZUVO_HOME", "/tmp/zuvo-home", 1);
  EXPECT_EQ(Platform::posix()->home, "/tmp/zuvo-home");
  ::setenv("ZUVO_HOME", "", 1);
  EXPECT_EQ(posix::defaultHome(), "/etc/zuvo");
  if (saved)
    ::setenv("ZUVO_HOME", keep.c_str(), 1);
  else
    ::unsetenv("ZUVO_HOME");
}

TEST(PosixPlatform, ServicesUseTheHomeItIsMadeWith) {
  testing::TempDir home;
  home.write(posix::kRegistryFileName, "[HKLM\\Tools]\nPath=sz:here\n");
  for (auto p : {Platform::posix(home.path()),
                 recordingPlatform(std::make_shared<Recorder>(), home.path())}) {
    EXPECT_EQ(p->home, home.path());
    EXPECT_EQ(p->settingsFile(), home.path() / "zuvodll.ini");
    auto value = p->registry->read(static_cast<std::int32_t>(0x80000002u), u"Tools", u"Path");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->text, u"here");
  }
}

TEST(PosixPlatform, ConversionTableFromTheHomeElseTheDataDirectory) {
  testing::TempDir dir;
  const auto home = dir.path() / "home", data = dir.path() / "data";
  struct Case {
    bool inHome, inData, dataGiven;
    std::filesystem::path expected;
  };
  for (const Case& c : {Case{true, true, true, home}, Case{false, true, true, data},
                        Case{false, false, true, home}, Case{false, true, false, home}}) {
    std::filesystem::remove_all(home);
    std::filesystem::remove_all(data);
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(data);
    if (c.inHome) std::ofstream(home / "sjisjef.tbl") << "1,1\n";
    if (c.inData) std::ofstream(data / "sjisjef.tbl") << "1,1\n";
    Platform p(home, c.dataGiven ? data : std::filesystem::path());
    EXPECT_EQ(p.conversionTable(), c.expected / "sjisjef.tbl")
        << c.inHome << c.inData << c.dataGiven;
  }
}

TEST(RecordingPlatform, RecordsInsteadOfShowingOrRunning) {
  auto recorder = std::make_shared<Recorder>();
  recorder->messageBoxAnswer = 2;
  auto p = recordingPlatform(recorder, "/tmp/zuvo-recorded");
  EXPECT_EQ(p->home, "/tmp/zuvo-recorded");
  EXPECT_EQ(p->ui->messageBox(u"text", u"title", 48), 2);
  p->ui->beep();
  EXPECT_TRUE(p->launcher->start(u"no-such-program-zuvo  -x", {u"a b"}));
  ASSERT_EQ(recorder->messages.size(), 1u);
  EXPECT_EQ(recorder->messages[0].title, u"title");
  EXPECT_EQ(recorder->messages[0].style, 48);
  EXPECT_EQ(recorder->beeps, 1);
  EXPECT_EQ(recorder->started, std::vector<String>{u"no-such-program-zuvo  -x a b"});
  recorder->fixedNow = Date{36530.5};
  EXPECT_EQ(p->clock->now(), Date{36530.5});
}

}  // namespace
}  // namespace zuvo
