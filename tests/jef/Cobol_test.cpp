// Packed and zoned fields against what an independent COBOL compiler writes for the same
// values: GnuCOBOL, when its compiler is installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "jef/JefFields.h"
#include "jef/JefHome.h"

namespace zuvo {
namespace {

struct Case {
  bool packed;
  int len;     // packed: precision in digits; zoned: field width
  int places;  // decimals
  std::string value;
};

const Case cases[] = {
    {true, 5, 0, "123"},
    {true, 7, 2, "-123.456"},
    {true, 3, 0, "0"},
    {true, 5, 0, "12345"},
    {true, 1, 0, "2.5"},
    {true, 1, 0, "-2.5"},
    {true, 9, 3, "-1234.5"},
    {true, 9, 3, "99999.999"},
    {true, 4, 1, "-12.35"},
    {true, 6, 3, "0.0005"},
    {true, 15, 2, "-1234567890123.45"},
    {true, 15, 0, "999999999999999"},
    {false, 5, 0, "-123"},
    {false, 5, 0, "123"},
    {false, 6, 2, "12.5"},
    {false, 6, 2, "-12.555"},
    {false, 3, 0, "0"},
    {false, 4, 0, "-10"},
    {false, 8, 3, "-1234.5678"},
    {false, 1, 0, "-7"},
};

// The COBOL picture of a case: the packed field holds (len div 2)*2+1 digits; a negative
// value goes to a signed picture, anything else to an unsigned one (whose sign is 0xF).
std::string picture(const Case& c) {
  int digits = c.packed ? c.len / 2 * 2 + 1 : c.len;
  std::string pic = c.value[0] == '-' ? "S9(" : "9(";
  pic += std::to_string(digits - c.places) + ")";
  if (c.places > 0) pic += "V9(" + std::to_string(c.places) + ")";
  return pic + (c.packed ? " COMP-3" : " DISPLAY");
}

std::string cobolProgram() {
  std::ostringstream s;
  s << "IDENTIFICATION DIVISION.\nPROGRAM-ID. FIELDS.\nENVIRONMENT DIVISION.\n"
       "INPUT-OUTPUT SECTION.\nFILE-CONTROL.\n"
       "    SELECT OUT-FILE ASSIGN TO \"fields.bin\" ORGANIZATION SEQUENTIAL.\n"
       "DATA DIVISION.\nFILE SECTION.\nFD OUT-FILE.\n01 OUT-REC PIC X(16).\n"
       "WORKING-STORAGE SECTION.\n";
  for (std::size_t i = 0; i < std::size(cases); ++i)
    s << "01 G" << i << ".\n   05 F" << i << " PIC " << picture(cases[i]) << ".\n";
  s << "PROCEDURE DIVISION.\n    OPEN OUTPUT OUT-FILE.\n";
  for (std::size_t i = 0; i < std::size(cases); ++i)
    s << "    COMPUTE F" << i << " ROUNDED = " << cases[i].value << ".\n    MOVE G" << i
      << " TO OUT-REC.\n    WRITE OUT-REC.\n";
  s << "    CLOSE OUT-FILE.\n    STOP RUN.\n";
  return s.str();
}

TEST(CobolFields, PackedAndZonedFieldsMatchGnuCobol) {
  if (std::system("command -v cobc > /dev/null 2>&1") != 0) GTEST_SKIP() << "no cobc";
  testing::JefHome home;
  home.write("fields.cob", cobolProgram());
  std::string dir = home.path().string();
  // Its sign option makes a negative display field end in the EBCDIC overpunch letter.
  ASSERT_EQ(std::system(("cd '" + dir + "' && cobc -x -free -fsign=EBCDIC fields.cob -o fields " +
                         "> cobc.log 2>&1 && ./fields")
                            .c_str()),
            0)
      << home.read("cobc.log");
  std::string written = home.read("fields.bin");
  ASSERT_EQ(written.size(), std::size(cases) * 16);

  auto z = home.object();
  jef::FieldEncoder encoder(*z, false);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    std::string cobol = written.substr(i * 16, c.packed ? c.len / 2 + 1 : c.len);
    ByteArray ours(16, 0);
    std::string expected;
    if (c.packed) {
      Variant n = String(c.value.begin(), c.value.end());
      int last = z->NumComp3(n, ours, c.len, c.places);
      expected = testing::hex(ours, last + 1);
      ByteArray theirs(cobol.begin(), cobol.end());
      EXPECT_EQ(expected, testing::hex(theirs, theirs.size())) << c.value << " " << picture(c);
    } else {
      // The COBOL field is ASCII text; the table turns it into the host's bytes.
      int last = z->SjisJef(String(cobol.begin(), cobol.end()), ours);
      std::string fds = "n" + std::to_string(c.places) + "r" +
                        std::string(4 - std::to_string(c.len).size(), '0') + std::to_string(c.len);
      std::string record;
      EXPECT_TRUE(encoder.append(convert::fieldDescriptor(String(fds.begin(), fds.end()), 0),
                                 String(c.value.begin(), c.value.end()), record));
      EXPECT_EQ(testing::hex(ByteArray(record.begin(), record.end()), record.size()),
                testing::hex(ours, last + 1))
          << c.value << " " << picture(c) << " COBOL wrote " << cobol;
    }
  }
}

}  // namespace
}  // namespace zuvo
