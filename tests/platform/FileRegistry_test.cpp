#include <gtest/gtest.h>

#include "platform/Posix.h"
#include "platform/TempDir.h"

namespace zuvo {
namespace {

constexpr std::int32_t kLocalMachine = static_cast<std::int32_t>(0x80000002u);
constexpr std::int32_t kCurrentUser = static_cast<std::int32_t>(0x80000001u);

TEST(FileRegistry, ReadsTextNumbersAndOtherTypes) {
  testing::TempDir home;
  home.write(posix::kRegistryFileName,
             "; stand-in registry\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tools]\n"
             "Path = sz:/usr/bin/info\nCount=dword:123\nMask=dword:0xFFFFFFFF\n"
             "Blob=hex:01,02\n@=sz:default\nBad=dword:12x\n[HKCU\\Software\\App\\]\nName=sz:x\n");
  auto registry = posix::makeRegistry(home.path());

  auto path = registry->read(kLocalMachine, u"software\\tools", u"PATH");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->type, 1);
  EXPECT_EQ(path->text, u"/usr/bin/info");

  auto count = registry->read(kLocalMachine, u"\\SOFTWARE\\Tools\\", u"Count");
  ASSERT_TRUE(count);
  EXPECT_EQ(count->type, 4);
  EXPECT_EQ(count->number, 123);
  EXPECT_EQ(registry->read(kLocalMachine, u"SOFTWARE\\Tools", u"Mask")->number, -1);
  EXPECT_EQ(registry->read(kLocalMachine, u"SOFTWARE\\Tools", u"Blob")->type, 3);
  EXPECT_EQ(registry->read(kLocalMachine, u"SOFTWARE\\Tools", u"")->text, u"default");
  EXPECT_EQ(registry->read(kCurrentUser, u"Software\\App", u"name")->text, u"x");

  EXPECT_FALSE(registry->read(kLocalMachine, u"SOFTWARE\\Tools", u"Bad"));
  EXPECT_FALSE(registry->read(kLocalMachine, u"SOFTWARE\\Tools", u"Missing"));
  EXPECT_FALSE(registry->read(kCurrentUser, u"SOFTWARE\\Tools", u"Path"));
  EXPECT_FALSE(registry->read(12345, u"SOFTWARE\\Tools", u"Path"));
}

TEST(FileRegistry, NoFileMeansNoValue) {
  testing::TempDir home;
  EXPECT_FALSE(posix::makeRegistry(home.path())->read(kLocalMachine, u"SOFTWARE", u"x"));
}

}  // namespace
}  // namespace zuvo
