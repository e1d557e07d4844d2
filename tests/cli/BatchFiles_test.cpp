#include "BatchFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/TempDir.h"

namespace zuvo::cli {
namespace {

// The scan reads 64 KiB at a time: characters cut by a block's end must read whole.
TEST(BatchFilesTest, ScanSeesCharactersAcrossBlocks) {
  TempDir dir;
  const std::string pad(65535, 'a');  // the next byte ends the first block
  struct Case {
    std::string bytes;
    TextEncoding encoding;
    bool looksLikeUtf8;
    std::int64_t invalidLine;
  };
  for (const Case& c : std::vector<Case>{
           {pad + "\x82\xA0\n", TextEncoding::ShiftJis, false, 0},     // あ in Shift-JIS
           {pad + "\xE3\x81\x82\n", TextEncoding::ShiftJis, true, 1},  // あ in UTF-8
           {pad + "\xE3\x81\x82\n", TextEncoding::Utf8, true, 0},
           {pad + "\xC2\xB1\xC2\xB1\n", TextEncoding::ShiftJis, false, 0},  // ﾂｱﾂｱ
           {"a\n" + pad + "\n\x82\n", TextEncoding::ShiftJis, false, 3},
           {"a\nb\n\xE3\x81\n", TextEncoding::Utf8, false, 3},
           {"\xED\xA0\x80", TextEncoding::Utf8, false, 1},  // a surrogate
           {"a\x82", TextEncoding::ShiftJis, false, 1},     // a lead byte at the end
       }) {
    SCOPED_TRACE(c.bytes.size());
    dir.write("f", c.bytes);
    TextScan scan = scanText(dir.file("f"), {true, true, true, c.encoding});
    EXPECT_TRUE(scan.opened);
    EXPECT_EQ(scan.looksLikeUtf8, c.looksLikeUtf8);
    EXPECT_EQ(scan.invalidLine, c.invalidLine);
    EXPECT_EQ(scan.lineEnds, c.bytes.find('\n') != std::string::npos);
  }
  EXPECT_FALSE(scanText(dir.file("none"), {true, true, true, TextEncoding::ShiftJis}).opened);
}

}  // namespace
}  // namespace zuvo::cli
