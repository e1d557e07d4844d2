// The direct way of the JEF fields must give exactly the bytes of the general way wherever it
// takes a field: generated fields of every type, from every character of the table, katakana
// with voiced marks, bytes that name no character, characters without a JEF code and values
// too long for their fields.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "JefHome.h"
#include "convert/Import.h"
#include "convert/TextFile.h"
#include "jef/JefFields.h"
#include "jef/JefTable.h"
#include "platform/Cp932.h"

namespace zuvo {
namespace {

using convert::fieldDescriptor;

// A layout as the failure messages show it (they are ASCII).
std::string named(const char16_t* fds) {
  return std::string(fds, fds + std::char_traits<char16_t>::length(fds));
}

const char16_t* const encoderLayouts[] = {
    u"x__0010", u"x_l0010", u"xzr0010", u"xzl0007", u"a__0003", u"x__0001", u"x__0000",
    u"k__0010", u"k_r0010", u"k_l0009", u"k_r0009", u"k__0002", u"f__0008", u"fzr0008",
    u"f_l0008", u"t__0004", u"tzr0004", u"t_l0006", u"d_r0008", u"d_l0008", u"dz_0008",
    u"p2_0011", u"p0_0005", u"p0_0004", u"p__0005", u"p9_0004", u"p0_0000", u"p1_0000",
    u"n__0006", u"n2r0010", u"n_l0005", u"n2l0006", u"n3r0002", u"n0_0001", u"n__0000"};

const char16_t* const decoderLayouts[] = {
    u"x__0006", u"x__0007", u"k__0006", u"k__0005", u"f__0004", u"n__0004",
    u"n2r0005", u"n__0001", u"p2_0005", u"p0_0004", u"p__0003", u"jc_0008",
    u"dt_0006", u"szr0002", u"ls_0003", u"tm_0004", u"hs_0004", u"x__0000"};

class JefDirectTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(z->jefTableStatus().ok()); }

  // Every character of the table, in table order.
  std::u16string tableCharacters() const {
    const JefTable& table = *z->loadedJefTable();
    std::u16string all;
    for (int k = 0; k < JefTable::Entries; ++k) {
      char16_t c = cp932::tables().charOf[static_cast<std::uint16_t>(table.sjis[k])];
      if (c != 0) all.push_back(c);
    }
    return all;
  }

  // Texts: the table's characters in runs of 1 to 12, then random mixes of characters that
  // the width mapping, the separators, the numbers and the substitutes care about.
  std::vector<std::u16string> texts() {
    std::vector<std::u16string> out = {u"",
                                       u"ｶﾞｷﾞｸﾞ",
                                       u"ﾊﾟﾋﾟﾌﾟ",
                                       u"ｳﾞ",
                                       u"ﾞﾟ",
                                       u"ｶﾀｶﾅ商会",
                                       u"ab c",
                                       u"é",
                                       u"😀",
                                       u"〜",
                                       u"₩",
                                       u"-0",
                                       u"12.5",
                                       u"  7",
                                       u"1e3",
                                       u"&H10",
                                       u"0012",
                                       u"999999999999",
                                       u".5",
                                       u"-.25",
                                       u"12.345",
                                       u"1,000",
                                       u"+3",
                                       u"-",
                                       u".",
                                       u"0.0",
                                       u"00:00",
                                       u"2000.4.17",
                                       u"123-4567",
                                       u"0000",
                                       u"-123456.78",
                                       u"99999.995",
                                       u"東京　",
                                       u"ｱｲ ｳｴ",
                                       u"O'Neil, \"Ltd\"”"};
    std::u16string all = tableCharacters();
    for (std::size_t i = 0; i < all.size();) {
      std::size_t n = 1 + uniform(0, 11);
      out.push_back(all.substr(i, n));
      i += n;
    }
    const std::u16string pool = u"ｱｶﾞﾊﾟｰﾞﾟ･｡ 0123456789-:.+,'\"AZaz漢字あア　ー〜①é😀髙”\u3099";
    // Numbers of up to 13 digits with up to 4 decimals, some signed or blank in front.
    for (int r = 0; r < 1000; ++r) {
      std::string n = std::to_string(uniform(0, 999999)) + std::to_string(uniform(0, 9999999));
      n = n.substr(0, static_cast<std::size_t>(uniform(1, static_cast<int>(n.size()))));
      int decimals = uniform(0, 4);
      if (decimals > 0 && static_cast<int>(n.size()) > decimals)
        n.insert(n.size() - static_cast<std::size_t>(decimals), ".");
      n.insert(0, std::string(uniform(0, 3) == 0 ? "-" : "") + (uniform(0, 9) == 0 ? " " : ""));
      out.emplace_back(n.begin(), n.end());
    }
    for (int r = 0; r < 3000; ++r) {
      std::u16string s;
      for (int n = uniform(0, 14); n > 0; --n) s.push_back(pool[uniform(0, pool.size() - 1)]);
      out.push_back(s);
    }
    return out;
  }

  int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }

  testing::JefHome home;
  std::unique_ptr<ZuvoCls> z = home.object();
  std::mt19937 random{20250101};
};

TEST_F(JefDirectTest, EncodersAgreeWithTheGeneralWayWhereverTheyTakeAField) {
  // Bytes that name no character, spliced into the Shift-JIS form of a text.
  const std::string invalid[] = {"", "\x81", "\x81\x20", "\xA0", "\xFD", "\x80", "\x85\x40"};
  // The direct way writes into a field of 0x00 bytes.
  auto field = [](const convert::FieldDescriptor& d, std::string& bytes) {
    bytes.assign(static_cast<std::size_t>(jef::fieldWidth(d)), '\0');
    return reinterpret_cast<std::uint8_t*>(bytes.data());
  };
  for (bool fromCsv : {false, true}) {
    jef::FieldEncoder encoder(*z, fromCsv);
    jef::DirectEncoder* directEncoder = encoder.direct();
    ASSERT_NE(directEncoder, nullptr);
    std::map<std::u16string, int> taken;
    for (const std::u16string& text : texts()) {
      std::u16string v = text.substr(0, text.find_last_not_of(u' ') + 1);
      for (const char16_t* fds : encoderLayouts) {
        const auto d = fieldDescriptor(fds, 0);
        std::string general, direct;
        const bool ok = encoder.append(d, String(v), general);
        bool substitute = true;
        if (directEncoder->append(d, v, field(d, direct), substitute)) {
          ++taken[fds];
          EXPECT_TRUE(ok) << named(fds);
          EXPECT_EQ(direct, general) << named(fds);
          EXPECT_EQ(substitute, !convert::fitsShiftJis(v)) << named(fds);
        }
        if (!fromCsv) continue;
        // From the bytes of a CSV file: as the general way decodes and trims them.
        std::string bytes = cp932::encode(text);
        bytes.insert(static_cast<std::size_t>(uniform(0, bytes.size())),
                     invalid[uniform(0, std::size(invalid) - 1)]);
        String decoded;
        const bool valid = convert::decodeShiftJis(bytes, decoded);
        decoded.erase(decoded.find_last_not_of(u' ') + 1);
        general.clear();
        const bool decodedOk = encoder.append(d, decoded, general);
        if (directEncoder->append(
                d, std::string_view(bytes).substr(0, bytes.find_last_not_of(' ') + 1),
                field(d, direct))) {
          EXPECT_TRUE(valid && decodedOk && convert::fitsShiftJis(decoded)) << named(fds);
          EXPECT_EQ(direct, general) << named(fds);
        }
      }
    }
    // The direct way takes the plain fields of every type.
    for (const char16_t* fds : {u"x__0010", u"k__0010", u"k_l0009", u"f__0008", u"t__0004",
                                u"d_r0008", u"p2_0011", u"n__0006", u"n2r0010", u"n_l0005"})
      EXPECT_GT(taken[fds], 150) << named(fds);
  }
}

TEST_F(JefDirectTest, DecoderAgreesWithTheGeneralWayWhereverItTakesAField) {
  const JefTable& table = *z->loadedJefTable();
  // Field contents: every JEF code of the table in runs, with and without shift codes, and
  // random bytes, zoned digits and packed half-bytes.
  std::vector<std::string> fields;
  std::string run, shifted;
  for (int k = 0; k < JefTable::Entries; ++k) {
    std::int32_t code = table.jef[k];
    if (code > 0xFF) {
      run += {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
      shifted += "\x28" + run.substr(run.size() - 2) + "\x29";
    } else {
      shifted.push_back(static_cast<char>(code));
    }
  }
  for (std::size_t i = 0; i + 8 <= run.size(); i += 6) fields.push_back(run.substr(i, 8));
  for (std::size_t i = 0; i + 8 <= shifted.size(); i += 5) fields.push_back(shifted.substr(i, 8));
  const int zones[] = {0xC0, 0xD0, 0xF0, 0x40, 0x00};
  for (int r = 0; r < 4000; ++r) {
    std::string f(8, '\0');
    for (char& c : f) c = static_cast<char>(uniform(0, 255));
    if (r % 3 == 1) {
      // Zoned digits, the sign in the zone of any of them (the field may be cut anywhere).
      for (char& c : f) c = static_cast<char>(0xF0 + uniform(0, 9));
      f[uniform(0, 7)] = static_cast<char>(zones[uniform(0, 4)] + uniform(0, 9));
    } else if (r % 3 == 2) {
      // Packed digits, now and then a half-byte above 9.
      for (char& c : f) c = static_cast<char>(uniform(0, 9) * 16 + uniform(0, 9));
      f[uniform(0, 7)] = static_cast<char>(uniform(0, 255));
    }
    fields.push_back(f);
  }

  jef::FieldDecoder decoder(*z, true);
  jef::DirectDecoder* directDecoder = decoder.direct();
  ASSERT_NE(directDecoder, nullptr);
  std::map<std::u16string, int> taken;
  for (const std::string& f : fields) {
    for (const char16_t* fds : decoderLayouts) {
      const auto d = fieldDescriptor(fds, 0);
      const std::string bytes = f.substr(0, static_cast<std::size_t>(jef::fieldWidth(d)));
      std::string direct(jef::DirectDecoder::room(bytes.size()), '\0');
      const char* end = directDecoder->csvField(d, bytes, direct.data());
      if (!end) continue;
      direct.resize(static_cast<std::size_t>(end - direct.data()));
      ++taken[fds];
      ByteArray b(bytes.begin(), bytes.end());
      String v;
      EXPECT_TRUE(decoder.decode(d, b, 0, v)) << named(fds);
      convert::cleanText(v);
      v.erase(v.find_last_not_of(u' ') + 1);
      EXPECT_EQ(direct, "\"" + cp932::encode(v) + "\",") << named(fds);
    }
  }
  for (const char16_t* fds :
       {u"x__0006", u"k__0006", u"k__0005", u"n__0004", u"n2r0005", u"p2_0005", u"p0_0004"})
    EXPECT_GT(taken[fds], 300) << named(fds);
}

TEST_F(JefDirectTest, TheGeneralWayLoadsTheTableFirst) {
  // A missing table is the failure of the first field that needs it; the fields after it go
  // on with the empty table, the same whichever way they take.
  std::filesystem::remove(home.path() / "sjisjef.tbl");
  auto fresh = home.object();
  home.write("in.csv", "\"12\",\"AB\",\"CD\"\r\n\"3\",\"EF\",\"GH\"\r\n");
  const std::string in = (home.path() / "in.csv").string(), out = (home.path() / "o.jef").string();
  EXPECT_EQ(fresh->CSVtoJEF(String(in.begin(), in.end()), String(out.begin(), out.end()),
                            u"p0_0003 x__0002 k__0004", false),
            -1);
  EXPECT_EQ(fresh->lastConversion().status.code(), Status::Code::ConversionTable);
  EXPECT_EQ(fresh->lastConversion().status.field(), 2);
  // A text in shift codes longer than its work array fails too: 28 A2 A4 A2 A4 29 for "EF".
  const std::string written = home.read("o.jef");
  EXPECT_EQ(testing::hex(ByteArray(written.begin(), written.end()), written.size()),
            "012F0000A2A4A2A4"
            "003F28A2A2A4A2A4");
}

}  // namespace
}  // namespace zuvo
