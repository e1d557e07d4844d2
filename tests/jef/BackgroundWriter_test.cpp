#include "jef/BackgroundWriter.h"

#include <gtest/gtest.h>

#include "convert/TempDir.h"

namespace zuvo::jef {
namespace {

// Pieces of every size, some larger than what is handed over at once, reach the file whole and
// in order; the writer is the caller's again after finish, and a second finish does nothing.
TEST(BackgroundWriter, WritesEverythingInOrder) {
  TempDir dir;
  convert::TextWriter out;
  ASSERT_TRUE(out.open(dir.name("out.bin"), false));
  std::string expected;
  {
    BackgroundWriter writer(out);
    for (std::size_t n = 0; n < 1500; ++n) {
      std::string piece(n * 7 % 3001 + (n % 100 == 0 ? 700000 : 0),
                        static_cast<char>('a' + n % 26));
      writer.write(piece);
      expected += piece;
    }
    writer.finish();
    out.write("end");
    expected += "end";
    writer.finish();
  }
  ASSERT_TRUE(out.close());
  EXPECT_EQ(dir.read("out.bin"), expected);
}

// A writer left without finish writes what it holds before it goes.
TEST(BackgroundWriter, EndsCleanlyWithoutFinish) {
  TempDir dir;
  convert::TextWriter out;
  ASSERT_TRUE(out.open(dir.name("out.bin"), false));
  { BackgroundWriter(out).write("abc"); }
  ASSERT_TRUE(out.close());
  EXPECT_EQ(dir.read("out.bin"), "abc");
}

}  // namespace
}  // namespace zuvo::jef
